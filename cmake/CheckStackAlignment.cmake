# Checks that the DLL's code assumes no more than the 4-byte stack alignment its 32-bit callers
# guarantee: every source of src/ was compiled with FLAG (compile_commands.json of the build),
# and the libcrypto linked into the DLL was built with it (its cache's options stamp):
#   cmake -DCOMMANDS=compile_commands.json -DSOURCE_DIR=src -DFLAG=-mincoming-stack-boundary=2
#         -DOPENSSL_OPTIONS=<prefix>/options -P CheckStackAlignment.cmake

cmake_policy(VERSION 3.25)

foreach(variable COMMANDS SOURCE_DIR FLAG OPENSSL_OPTIONS)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "CheckStackAlignment: ${variable} not given")
    endif()
endforeach()

file(READ ${COMMANDS} commands)
string(JSON count LENGTH "${commands}")
set(checked 0)
set(missing "")
math(EXPR last "${count} - 1")
foreach(index RANGE ${last})
    string(JSON file GET "${commands}" ${index} file)
    cmake_path(IS_PREFIX SOURCE_DIR "${file}" NORMALIZE in_library)
    if(NOT in_library)
        continue()
    endif()
    string(JSON command GET "${commands}" ${index} command)
    separate_arguments(arguments UNIX_COMMAND "${command}")
    if(NOT FLAG IN_LIST arguments)
        list(APPEND missing "${file}")
    endif()
    math(EXPR checked "${checked} + 1")
endforeach()
if(checked EQUAL 0)
    message(FATAL_ERROR "CheckStackAlignment: no source of ${SOURCE_DIR} in ${COMMANDS}")
endif()
if(missing)
    list(JOIN missing "\n  " missing)
    message(FATAL_ERROR "CheckStackAlignment: compiled without ${FLAG}:\n  ${missing}")
endif()

file(READ ${OPENSSL_OPTIONS} stamp)
separate_arguments(stamp_words UNIX_COMMAND "${stamp}")
if(NOT FLAG IN_LIST stamp_words)
    message(FATAL_ERROR "CheckStackAlignment: libcrypto (${OPENSSL_OPTIONS}) built without ${FLAG}")
endif()
message(STATUS "CheckStackAlignment: ${checked} sources and libcrypto built with ${FLAG}")
