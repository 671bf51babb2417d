# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the POSIX-threads variant, whose
# C++ library has std::thread): make windows. Programs are linked statically, so each .exe runs
# alone, with no DLL beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ZELL_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZELL_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZELL_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${ZELL_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ZELL_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# The test programs run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
