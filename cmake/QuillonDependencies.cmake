# External libraries: OpenSSL's libcrypto (big numbers and the toolkit's DES method in the
# library, an oracle in the tests).

if(CMAKE_CROSSCOMPILING)
    set(OPENSSL_USE_STATIC_LIBS TRUE)
endif()
find_package(OpenSSL 3.0 REQUIRED COMPONENTS Crypto)

# DES_* are deprecated in OpenSSL 3; the low-level routines are what the toolkit's DES method wraps
# and what the DES tests and benchmark compare with.
add_library(quillon_openssl INTERFACE)
target_link_libraries(quillon_openssl INTERFACE OpenSSL::Crypto)
target_compile_definitions(quillon_openssl INTERFACE OPENSSL_API_COMPAT=10101 OPENSSL_SUPPRESS_DEPRECATED)

# PKCS #11 types and constants: p11-kit's pkcs11.h, one header for every target (it packs the
# structures as Windows tokens expect). Token libraries are loaded at run time; nothing is linked.
find_path(PKCS11_INCLUDE_DIR p11-kit/pkcs11.h PATH_SUFFIXES p11-kit-1 NO_CMAKE_FIND_ROOT_PATH
          REQUIRED)
add_library(quillon_pkcs11 INTERFACE)
target_include_directories(quillon_pkcs11 SYSTEM INTERFACE ${PKCS11_INCLUDE_DIR})

# Valgrind's memcheck client requests (a header only): where they exist, the library marks what
# it declassifies as defined, so that the constant-time check can run it under memcheck with the
# secrets marked undefined (tests/constant_time/). Only for native builds, and never with a
# sanitizer, which memcheck cannot run beside.
add_library(quillon_memcheck INTERFACE)
if(NOT CMAKE_CROSSCOMPILING AND NOT QUILLON_SANITIZE)
    find_path(QUILLON_MEMCHECK_INCLUDE_DIR valgrind/memcheck.h)
    find_program(QUILLON_VALGRIND valgrind)
    if(QUILLON_MEMCHECK_INCLUDE_DIR)
        target_include_directories(quillon_memcheck SYSTEM INTERFACE ${QUILLON_MEMCHECK_INCLUDE_DIR})
        target_compile_definitions(quillon_memcheck INTERFACE QUILLON_HAVE_MEMCHECK)
    endif()
endif()
