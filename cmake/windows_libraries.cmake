# windows_libraries.cmake -- the Windows build's libraries, under the names services/ links on Linux:
# static archives that scripts/windows-deps cross-built into SUITE_WINDOWS_DEPS, and zlib from Debian's
# libz-mingw-w64-dev. Windows finds fonts without fontconfig and draws without X11, so those two are empty.
if(NOT SUITE_WINDOWS_DEPS OR NOT EXISTS ${SUITE_WINDOWS_DEPS}/.complete)
  message(FATAL_ERROR "SUITE_WINDOWS_DEPS must name the folder scripts/windows-deps printed (scripts/windows sets it)")
endif()
find_package(Threads REQUIRED)
find_package(SDL2 CONFIG REQUIRED PATHS ${SUITE_WINDOWS_DEPS} NO_DEFAULT_PATH)
find_package(SDL2_ttf CONFIG REQUIRED PATHS ${SUITE_WINDOWS_DEPS} NO_DEFAULT_PATH)
find_package(FLTK CONFIG REQUIRED PATHS ${SUITE_WINDOWS_DEPS}/CMake NO_DEFAULT_PATH)
# The headers come with the fltk target, so they are system headers (no warnings of theirs).
set(FLTK_INCLUDE_DIR "")
set_property(TARGET fltk APPEND PROPERTY INTERFACE_INCLUDE_DIRECTORIES ${SUITE_WINDOWS_DEPS}/include)
# FLTK 1.3 tells Windows by WIN32, which strict C++17 (no GNU extensions) leaves undefined.
set_property(TARGET fltk APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS WIN32)

set(PICTURE_LIBS_STATIC_INCLUDE_DIRS ${SUITE_WINDOWS_DEPS}/include)
set(PICTURE_ARCHIVES)
# libtiff before its codecs (WebP, Zstandard, LZMA, JBIG, LERC -- the ones Debian's libtiff has), the
# codecs before what they need themselves.
foreach(archive turbojpeg tiff webp zstd lzma jbig Lerc png16 jpeg deflate)
  list(APPEND PICTURE_ARCHIVES ${SUITE_WINDOWS_DEPS}/lib/lib${archive}.a)
endforeach()
list(APPEND PICTURE_ARCHIVES /usr/x86_64-w64-mingw32/lib/libz.a)

add_library(PkgConfig::SDL2 INTERFACE IMPORTED)
target_link_libraries(PkgConfig::SDL2 INTERFACE SDL2::SDL2-static)
add_library(PkgConfig::SDL2TTF INTERFACE IMPORTED)
target_link_libraries(PkgConfig::SDL2TTF INTERFACE SDL2_ttf::SDL2_ttf-static)
add_library(PkgConfig::FONTCONFIG INTERFACE IMPORTED)
add_library(X11::X11 INTERFACE IMPORTED)
