# The export table lives in one place, src/frame/Quillon.def. The Linux build derives its
# version script from it, so the shared library exports exactly the functions listed there.

set(QUILLON_DEF_FILE ${PROJECT_SOURCE_DIR}/src/frame/Quillon.def)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${QUILLON_DEF_FILE})

# Reads the .def and returns the distinct function names it exports. An alias line
# "Alias = Function @N" exports Function a second time.
function(quillon_read_export_table out_var)
    file(STRINGS ${QUILLON_DEF_FILE} def_lines)
    set(functions "")
    foreach(line IN LISTS def_lines)
        string(REGEX REPLACE ";.*$" "" line "${line}")
        if(line MATCHES "^[ \t]*([A-Za-z_][A-Za-z0-9_]*)[ \t]*=[ \t]*([A-Za-z_][A-Za-z0-9_]*)[ \t]+@")
            list(APPEND functions ${CMAKE_MATCH_2})
        elseif(line MATCHES "^[ \t]*([A-Za-z_][A-Za-z0-9_]*)[ \t]+@[0-9]+")
            list(APPEND functions ${CMAKE_MATCH_1})
        endif()
    endforeach()
    list(REMOVE_DUPLICATES functions)
    set(${out_var} ${functions} PARENT_SCOPE)
endfunction()

quillon_read_export_table(QUILLON_EXPORTED_FUNCTIONS)
list(LENGTH QUILLON_EXPORTED_FUNCTIONS QUILLON_EXPORT_COUNT)
message(STATUS "Quillon export table: ${QUILLON_EXPORT_COUNT} functions")

# Every export sits in one named version node (QUILLON_1 for major version 1), so a program
# records which interface it was linked against and the dynamic loader can check it.
set(QUILLON_VERSION_SCRIPT ${PROJECT_BINARY_DIR}/quillon.map)
set(QUILLON_SYMBOL_VERSION QUILLON_${PROJECT_VERSION_MAJOR})
list(JOIN QUILLON_EXPORTED_FUNCTIONS ";\n        " version_globals)
file(CONFIGURE OUTPUT ${QUILLON_VERSION_SCRIPT}
     CONTENT "${QUILLON_SYMBOL_VERSION} {\n    global:\n        ${version_globals};\n    local: *;\n};\n")
