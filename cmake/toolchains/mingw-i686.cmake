# Cross-build for 32-bit Windows with mingw-w64 (i686). The -posix compilers carry std::thread
# and std::mutex, which GoogleTest needs. Everything links statically, so the DLL and the test
# programs need no runtime DLLs beside them; Wine runs the programs for ctest.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(QUILLON_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_C_COMPILER ${QUILLON_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUILLON_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUILLON_MINGW_TRIPLET}-windres)

# OpenSSL's libcrypto for mingw, built by scripts/setup-mingw.sh outside the clone.
if(NOT DEFINED QUILLON_OPENSSL_MINGW)
    if(DEFINED ENV{QUILLON_OPENSSL_MINGW})
        set(QUILLON_OPENSSL_MINGW $ENV{QUILLON_OPENSSL_MINGW})
    else()
        set(QUILLON_OPENSSL_MINGW /var/cache/quillon/openssl-mingw)
    endif()
endif()
set(OPENSSL_ROOT_DIR ${QUILLON_OPENSSL_MINGW})

set(CMAKE_FIND_ROOT_PATH /usr/${QUILLON_MINGW_TRIPLET} ${QUILLON_OPENSSL_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--no-insert-timestamp")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -Wl,--no-insert-timestamp")
# Release programs and the DLL without symbols: a third of the size, quicker to load under Wine.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
set(CMAKE_SHARED_LINKER_FLAGS_RELEASE_INIT "-s")

# Wine runs the programs; the runner passes their status on, but for a program that passed and
# then died while Wine shut it down (see wine-run.sh).
set(CMAKE_CROSSCOMPILING_EMULATOR bash ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
