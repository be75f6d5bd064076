# Compiler settings shared by every target of the project.

add_library(quillon_warnings INTERFACE)
target_compile_options(quillon_warnings INTERFACE -Wall -Wextra -Wpedantic)

# The library itself: no exceptions, no RTTI, nothing visible unless exported on purpose.
add_library(quillon_library_flags INTERFACE)
target_compile_options(quillon_library_flags INTERFACE
    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti -fvisibility-inlines-hidden>
    -fvisibility=hidden)
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
