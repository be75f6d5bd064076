# Cross-build for 64-bit Windows with mingw-w64 (x86_64): the mingw64 preset.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUILLON_MINGW_TRIPLET x86_64-w64-mingw32)
set(QUILLON_WINDOWS_ARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
