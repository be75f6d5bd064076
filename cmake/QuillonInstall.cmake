# What `cmake --install` and the packages put in place, in three components:
#   runtime      the shared library (libquillon.so.1 / Quillon.dll) and the licence
#   development  the headers, the link-time library (.so link / import library and Quillon.def),
#                quillon.pc and the CMake package (Quillon::quillon)
#   command      the quillon command and its manual page
include(CMakePackageConfigHelpers)

set(QUILLON_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Quillon)

install(TARGETS quillon EXPORT QuillonTargets
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime
                NAMELINK_COMPONENT development
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
install(FILES ${PROJECT_SOURCE_DIR}/include/quillon.h
              ${QUILLON_GENERATED_INCLUDE_DIR}/quillon_version.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR}
        COMPONENT runtime)
if(WIN32)
    # The import library for Microsoft's linker, and the ordinals for toolchains that make
    # their own import library.
    install(FILES ${QUILLON_IMPORT_LIBRARY} ${QUILLON_DEF_FILE} DESTINATION ${CMAKE_INSTALL_LIBDIR}
            COMPONENT development)
endif()

if(TARGET quillon_cli)
    install(TARGETS quillon_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT command)
    install(FILES ${PROJECT_SOURCE_DIR}/cli/quillon.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
            COMPONENT command)
endif()

# The CMake package: find_package(Quillon) gives the imported target Quillon::quillon, which
# carries the include directory.
install(EXPORT QuillonTargets NAMESPACE Quillon:: DESTINATION ${QUILLON_CMAKE_PACKAGE_DIR}
        COMPONENT development)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/QuillonConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/QuillonConfig.cmake
                              INSTALL_DESTINATION ${QUILLON_CMAKE_PACKAGE_DIR})
# One major version is one export table: a newer minor version serves an older request.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/QuillonConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/QuillonConfig.cmake
              ${PROJECT_BINARY_DIR}/QuillonConfigVersion.cmake
        DESTINATION ${QUILLON_CMAKE_PACKAGE_DIR} COMPONENT development)

# quillon.pc finds its prefix from its own place (${pcfiledir}), so a staged or unpacked tree
# works as well as the installed one.
set(QUILLON_PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
if(IS_ABSOLUTE "${QUILLON_PKGCONFIG_DIR}")
    set(QUILLON_PKGCONFIG_PREFIX ${CMAKE_INSTALL_PREFIX})
else()
    file(RELATIVE_PATH prefix_from_pc_dir /${QUILLON_PKGCONFIG_DIR} /)
    string(REGEX REPLACE "/$" "" prefix_from_pc_dir "${prefix_from_pc_dir}")
    set(QUILLON_PKGCONFIG_PREFIX "\${pcfiledir}/${prefix_from_pc_dir}")
endif()
get_target_property(QUILLON_LINK_NAME quillon OUTPUT_NAME)
if(NOT QUILLON_LINK_NAME)
    set(QUILLON_LINK_NAME quillon)
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/quillon.pc.in ${PROJECT_BINARY_DIR}/quillon.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/quillon.pc DESTINATION ${QUILLON_PKGCONFIG_DIR}
        COMPONENT development)
