# mingw-w64.cmake -- cross-compiles for 64-bit Windows with Debian's mingw-w64 (posix thread model, so
# std::thread works), linking every library and the C and C++ runtimes statically: each .exe stands alone.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(MINGW_TRIPLET x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)
set(CMAKE_AR ${MINGW_TRIPLET}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${MINGW_TRIPLET}-ranlib CACHE FILEPATH "")

# The libraries cross-built by scripts/windows-deps live in SUITE_WINDOWS_DEPS; zlib comes from
# Debian's libz-mingw-w64-dev under the toolchain's own root.
if(NOT SUITE_WINDOWS_DEPS AND DEFINED ENV{SUITE_WINDOWS_DEPS})
  set(SUITE_WINDOWS_DEPS $ENV{SUITE_WINDOWS_DEPS})
endif()
set(CMAKE_FIND_ROOT_PATH ${SUITE_WINDOWS_DEPS} /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static archives first, so find_library never picks an import library of a DLL.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# pkg-config reads the cross-built libraries' .pc files only.
set(ENV{PKG_CONFIG_LIBDIR} "${SUITE_WINDOWS_DEPS}/lib/pkgconfig:/usr/${MINGW_TRIPLET}/lib/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# Cross-built programs (the tests) run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
