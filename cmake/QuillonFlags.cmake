# Compiler settings shared by every target of the project.

add_library(quillon_warnings INTERFACE)
target_compile_options(quillon_warnings INTERFACE -Wall -Wextra -Wpedantic)

# The library itself: no exceptions, no RTTI, nothing visible unless exported on purpose, and
# no warning let through, with every compiler and preset that builds it.
add_library(quillon_library_flags INTERFACE)
target_compile_options(quillon_library_flags INTERFACE
    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti -fvisibility-inlines-hidden>
    -fvisibility=hidden -Werror)
target_link_libraries(quillon_library_flags INTERFACE quillon_warnings)

if(QUILLON_SANITIZE)
    add_compile_options(-fsanitize=${QUILLON_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${QUILLON_SANITIZE})
endif()

if(WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    # GCC 12 reports impossible overlaps inside libstdc++'s std::string copies on 32-bit targets
    # (GCC bug 105329), in test code only; the warning says nothing about our code there.
    target_compile_options(quillon_warnings INTERFACE -Wno-restrict)
endif()

if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    # Callers of the DLL are 32-bit programs built by other compilers, which keep the stack
    # aligned to the 4 bytes the cdecl convention promises, not GCC's 16. Every object of the
    # build assumes only that, so GCC realigns the stack wherever it needs more (SSE spills in
    # the SHA and AES instruction code, and whatever vector code comes later).
    set(QUILLON_STACK_ALIGNMENT_FLAG -mincoming-stack-boundary=2)
    add_compile_options(${QUILLON_STACK_ALIGNMENT_FLAG})
endif()
