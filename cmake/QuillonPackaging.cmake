# Packages made by CPack from the install components (cpack in the build directory):
#   Linux    Debian packages libquillon1 (runtime), libquillon-dev (development) and quillon
#            (command), their library dependencies found by dpkg-shlibdeps;
#   Windows  one zip per target (-win32, -win64) with Quillon.dll, quillon.exe, the headers,
#            the import libraries (Quillon.lib, libQuillon.dll.a) and Quillon.def.
set(CPACK_PACKAGE_NAME quillon)
set(CPACK_PACKAGE_VENDOR "The Quillon developers")
set(CPACK_PACKAGE_CONTACT "The Quillon developers <quillon@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "cryptographic services module with a plain C interface")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)

if(WIN32)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME Quillon-${PROJECT_VERSION}-${QUILLON_WINDOWS_ARCH})
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_DEB_COMPONENT_INSTALL ON)
    set(CPACK_COMPONENTS_ALL runtime development command)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    # A shlibs file (and the ldconfig trigger) for the package with the library, so packages
    # built against it depend on this major version.
    set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
    # dpkg-shlibdeps runs in each component's staging tree; the command's library is found in
    # the runtime component's tree beside it (its dependency is the exact version, below).
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
        ../runtime${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR})
    set(quillon_exact "libquillon${PROJECT_VERSION_MAJOR} (= ${PROJECT_VERSION})")

    set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libquillon${PROJECT_VERSION_MAJOR})
    set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
    set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
        "Quillon cryptographic services module (shared library)")

    set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libquillon-dev)
    set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
    set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS ${quillon_exact})
    set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
        "Quillon cryptographic services module (header, pkg-config and CMake files)")

    set(CPACK_DEBIAN_COMMAND_PACKAGE_NAME quillon)
    set(CPACK_DEBIAN_COMMAND_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_COMMAND_PACKAGE_DEPENDS ${quillon_exact})
    set(CPACK_DEBIAN_COMMAND_DESCRIPTION
        "Quillon cryptographic services module (the quillon command)")
endif()
include(CPack)
