# Checks that every C and C++ source of the repository reads as clang-format writes it with the
# repository's .clang-format, and names the files that do not:
#   cmake -DSOURCE_DIR=<repository> -DCLANG_FORMAT=<clang-format or NOTFOUND> -P CheckFormat.cmake
# scripts/setup.sh installs clang-format; `clang-format -i FILE` rewrites a file as it wants it.

if(NOT CLANG_FORMAT)
    message(FATAL_ERROR "CheckFormat: no clang-format (bash scripts/setup.sh installs it)")
endif()

set(patterns "")
foreach(folder IN ITEMS include src cli tests bench fuzz)
    foreach(extension IN ITEMS c cc cpp h)
        list(APPEND patterns ${SOURCE_DIR}/${folder}/*.${extension})
    endforeach()
endforeach()
file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${patterns})
list(SORT sources)

execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${sources}
                WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "CheckFormat: the files above differ from clang-format's layout")
endif()
list(LENGTH sources count)
message(STATUS "CheckFormat: ${count} files as clang-format writes them")
