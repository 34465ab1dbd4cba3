# Cross build for 64-bit Windows with Debian's mingw-w64 (the POSIX-threads compilers, which
# std::thread and std::mutex need). The libraries Debian has no mingw build of (libpng, giflib,
# GoogleTest, and copies of the header-only CLI11 and nlohmann-json) come from
# scripts/build-windows-deps.sh, installed under TESSARY_WINDOWS_DEPS.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

if(NOT TESSARY_WINDOWS_DEPS AND DEFINED ENV{TESSARY_WINDOWS_DEPS})
  set(TESSARY_WINDOWS_DEPS "$ENV{TESSARY_WINDOWS_DEPS}")
endif()
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${TESSARY_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static libraries only, and the compiler's own runtime linked in: the programs then run under
# Wine (or on Windows) without any DLL beside them.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Test discovery and the tests themselves run the programs through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
# FindZLIB would take the DLL's import library (libz.dll.a) before the static one.
set(ZLIB_LIBRARY /usr/x86_64-w64-mingw32/lib/libz.a CACHE FILEPATH "zlib, linked statically")
