# suite.cmake -- small helpers shared by the project's CMake files

# suite_sources(VAR DIR... [EXCLUDE name...]): the .cpp files of the folders, minus the excluded file names.
function(suite_sources var)
  cmake_parse_arguments(S "" "" "EXCLUDE" ${ARGN})
  set(found)
  foreach(dir ${S_UNPARSED_ARGUMENTS})
    file(GLOB files CONFIGURE_DEPENDS ${dir}/*.cpp)
    list(APPEND found ${files})
  endforeach()
  foreach(ex ${S_EXCLUDE})
    list(FILTER found EXCLUDE REGEX "/${ex}$")
  endforeach()
  set(${var} ${found} PARENT_SCOPE)
endfunction()

# suite_test(NAME SOURCES... LIBS... LABELS label): one GoogleTest program, its cases registered with
# ctest under one label, which says what the cases need:
#   unit      nothing but the code under test: no platform, no display
#   headless  the headless platform (scripted events and answers), or built programs run without a display
#   gui       a real X display: run them under Xvfb (xvfb-run -a ...)
#   slow      minutes of work; left out of scripts/test
include(GoogleTest)
function(suite_test name)
  cmake_parse_arguments(T "" "WORKDIR" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_LABELS MATCHES "^(unit|headless|gui|slow)$")
    message(FATAL_ERROR "suite_test(${name}): one label of unit, headless, gui or slow, not \"${T_LABELS}\"")
  endif()
  if(NOT T_SOURCES)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  # A Windows build's tests run under Wine on the machine that built them, where drive Z: is the
  # Linux root: the trees' paths are spelt from it, so they hold from any working folder.
  set(tree_drive "")
  if(WIN32 AND CMAKE_CROSSCOMPILING)
    set(tree_drive "Z:")
  endif()
  target_compile_definitions(${name} PRIVATE SUITE_SOURCE_DIR="${tree_drive}${PROJECT_SOURCE_DIR}"
    SUITE_BINARY_DIR="${tree_drive}${PROJECT_BINARY_DIR}" SUITE_EXE="${CMAKE_EXECUTABLE_SUFFIX}")
  if(NOT T_WORKDIR)
    set(T_WORKDIR ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  if(CMAKE_CROSSCOMPILING)
    # A cross-built test program runs under the emulator (Wine), whose start costs seconds: one ctest
    # entry per program rather than one per case, and no listing of the cases at build time.
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1 WORKING_DIRECTORY ${T_WORKDIR})
    set_tests_properties(${name} PROPERTIES LABELS ${T_LABELS})
  else()
    gtest_discover_tests(${name} WORKING_DIRECTORY ${T_WORKDIR} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS ${T_LABELS})
  endif()
endfunction()
