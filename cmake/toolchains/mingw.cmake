# What both Windows toolchains share (mingw-i686.cmake and mingw-x86_64.cmake set
# CMAKE_SYSTEM_PROCESSOR, QUILLON_MINGW_TRIPLET and QUILLON_WINDOWS_ARCH, then include this). The
# -posix compilers carry std::thread and std::mutex, which GoogleTest needs. Everything links
# statically, so the DLL and the test programs need no runtime DLLs beside them; Wine runs the
# programs for ctest.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${QUILLON_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUILLON_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUILLON_MINGW_TRIPLET}-windres)

# OpenSSL's libcrypto for this target, built by scripts/setup-mingw.sh outside the clone. The
# script owns its location (its default, or the environment's QUILLON_OPENSSL_MINGW or
# QUILLON_OPENSSL_MINGW64), so it is asked here unless the cache variable names one.
if(NOT DEFINED QUILLON_OPENSSL_MINGW)
    execute_process(COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/../../scripts/setup-mingw.sh --prefix
                            ${CMAKE_SYSTEM_PROCESSOR}
                    OUTPUT_VARIABLE QUILLON_OPENSSL_MINGW OUTPUT_STRIP_TRAILING_WHITESPACE
                    COMMAND_ERROR_IS_FATAL ANY)
endif()
set(OPENSSL_ROOT_DIR ${QUILLON_OPENSSL_MINGW})

# The compilers' own target tree (the Windows API headers and import libraries), where they keep
# kernel32's import library.
execute_process(COMMAND ${CMAKE_C_COMPILER} -print-file-name=libkernel32.a
                OUTPUT_VARIABLE mingw_kernel32 OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(QUILLON_MINGW_TARGET_DIR ${mingw_kernel32}/../.. ABSOLUTE)

set(CMAKE_FIND_ROOT_PATH ${QUILLON_MINGW_TARGET_DIR} ${QUILLON_OPENSSL_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The PE headers say Windows Vista (6.0), the oldest system with every function the DLL imports.
set(quillon_mingw_link_flags "-static -Wl,--no-insert-timestamp -Wl,--major-os-version,6 \
-Wl,--minor-os-version,0 -Wl,--major-subsystem-version,6 -Wl,--minor-subsystem-version,0")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${quillon_mingw_link_flags}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${quillon_mingw_link_flags}")
# Release programs and the DLL without symbols: a third of the size, quicker to load under Wine.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
set(CMAKE_SHARED_LINKER_FLAGS_RELEASE_INIT "-s")

# Wine runs the programs; the runner passes their status on, but for a program that passed and
# then died while Wine shut it down (see wine-run.sh).
set(CMAKE_CROSSCOMPILING_EMULATOR bash ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh
                                  ${QUILLON_WINDOWS_ARCH})
