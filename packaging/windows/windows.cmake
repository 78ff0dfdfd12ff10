# windows.cmake -- what the Windows zip holds (`cpack -G ZIP` in build/windows; scripts/windows does it):
# the seven programs side by side, the font the engine's overlay uses, the examples with a starter for
# each window program, a short read-me, and the licence of every library linked into the programs.

set(SUITE_PROGRAMS simengine mapconvert dnaedit mapscan worlddump worldcheck worldmake worldshot worldexport worldimport)
foreach(program ${SUITE_PROGRAMS})
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION .)
  endif()
endforeach()
# The window programs open no console window of their own.
foreach(program simengine mapconvert dnaedit)
  if(TARGET ${program})
    set_target_properties(${program} PROPERTIES WIN32_EXECUTABLE ON)
  endif()
endforeach()

# A Windows machine has no DejaVu Sans: the engine's overlay font travels with it (the Linux
# programs find the same file through fontconfig, so both draw the same text).
set(SUITE_FONT /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf CACHE FILEPATH "The overlay font shipped beside the programs")
if(NOT EXISTS ${SUITE_FONT})
  message(FATAL_ERROR "${SUITE_FONT} is missing (Debian package fonts-dejavu-core; scripts/setup installs it)")
endif()
install(FILES ${SUITE_FONT} DESTINATION .)
install(FILES /usr/share/doc/fonts-dejavu-core/copyright DESTINATION licences RENAME dejavu-fonts.txt)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION examples
        PATTERN qz61_log.txt EXCLUDE PATTERN "*.sh" EXCLUDE)
# Each example folder gets a starter that runs its program in that folder, as the program expects.
# %~dp0 ends in "\", which would escape the closing quote of /D "%~dp0": "%~dp0." names the same folder.
foreach(pair world:simengine labyrinth:simengine mapconvert:mapconvert dna:dnaedit)
  string(REPLACE ":" ";" pair ${pair})
  list(GET pair 0 folder)
  list(GET pair 1 program)
  set(starter ${CMAKE_CURRENT_BINARY_DIR}/starters/${folder}/start-${program}.cmd)
  file(CONFIGURE OUTPUT ${starter} CONTENT "@start \"\" /D \"%~dp0.\" \"%~dp0..\\..\\${program}.exe\"\n"
       NEWLINE_STYLE CRLF)
  install(FILES ${starter} DESTINATION examples/${folder})
endforeach()

# The top folder's settings: a double-click on a window program starts it in the zip's top folder,
# which then shows that program's example. Each is the example's own settings file with the line
# after each named line (the paths in it) led into the example's folder; the examples stay as they are.
function(suite_settings_led_into source destination folder)
  file(READ ${source} text)
  string(REPLACE "\r" "" text "${text}")
  if(text MATCHES "[][;]|<backslash>")
    message(FATAL_ERROR "${source}: a ';', '[', ']' or '<backslash>' would be lost on the way through CMake's lists")
  endif()
  # A backslash at a line's end would escape the list separator after it: it travels as a word.
  string(REPLACE "\\" "<backslash>" text "${text}")
  string(REPLACE "\\" "<backslash>" folder "${folder}")
  string(REPLACE "\n" ";" lines "${text}")
  set(out "")
  set(lead OFF)
  foreach(line IN LISTS lines)
    if(lead AND NOT line STREQUAL "")
      string(PREPEND line "${folder}")
    endif()
    set(lead OFF)
    if(line IN_LIST ARGN)
      set(lead ON)
    endif()
    string(APPEND out "${line}\r\n")
  endforeach()
  string(REGEX REPLACE "(\r\n)+$" "\r\n" out "${out}")
  string(REPLACE "<backslash>" "\\" out "${out}")
  file(WRITE ${destination} "${out}")
endfunction()
set(top_settings ${CMAKE_CURRENT_BINARY_DIR}/top)
suite_settings_led_into(${PROJECT_SOURCE_DIR}/examples/world/DATA/ini.txt ${top_settings}/DATA/ini.txt
                        "examples\\world\\" APPENTRY TOPOGFX WORLDGFX RGBCODEPATH)
suite_settings_led_into(${PROJECT_SOURCE_DIR}/examples/mapconvert/ini.ini ${top_settings}/ini.ini
                        "examples\\mapconvert\\" "MAPCONVERT EXAMPLE: THE NEXT LINE NAMES THE SETTINGS FILE")
suite_settings_led_into(${PROJECT_SOURCE_DIR}/examples/dna/ini.qz61 ${top_settings}/ini.qz61
                        "examples\\dna\\" qz61_source qz61_menu)
install(FILES ${top_settings}/DATA/ini.txt DESTINATION DATA)
install(FILES ${top_settings}/ini.ini ${top_settings}/ini.qz61 DESTINATION .)

configure_file(${CMAKE_CURRENT_LIST_DIR}/README-Windows.txt ${CMAKE_CURRENT_BINARY_DIR}/README-Windows.txt
               @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README-Windows.txt DESTINATION .)
install(DIRECTORY ${SUITE_WINDOWS_DEPS}/licences/ DESTINATION licences PATTERN googletest EXCLUDE)  # Only the tests link GoogleTest

set(CPACK_PACKAGE_NAME orvanel-suite)
set(CPACK_PACKAGE_VENDOR "Orvanel")
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME orvanel-suite-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
