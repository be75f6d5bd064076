# Cross-build for 32-bit Windows with mingw-w64 (i686): the mingw preset.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUILLON_MINGW_TRIPLET i686-w64-mingw32)
set(QUILLON_WINDOWS_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
