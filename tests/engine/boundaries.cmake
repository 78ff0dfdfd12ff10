# boundaries.cmake -- the engine's parts see only the parts below them (run by ctest: engine_boundaries)
#
#   cmake -DCOMPILER=c++ -DSOURCE_DIR=<project> -DWORK=<folder>
#         -DROOTS_base=<dirs> -DROOTS_world=<dirs> -DROOTS_core=<dirs> -P boundaries.cmake
#
# ROOTS_<part> are the include roots each part is compiled with, joined by "|". Every header of a part
# compiles by itself with its part's roots; a header of a higher part, spelled by folder or from the
# project's root, is not found with a lower part's roots; no engine source climbs out of its folder
# with "../", which would reach past its roots; and inside engine/world the record calls no builder.
cmake_minimum_required(VERSION 3.22)
set(failures "")
file(MAKE_DIRECTORY ${WORK})

# compiles(part header result output): compiles a file that includes `header` with the part's roots.
function(compiles part header result output)
  string(REPLACE "|" ";" roots "${ROOTS_${part}}")
  set(flags)
  foreach(root ${roots})
    list(APPEND flags "-I${root}")
  endforeach()
  string(MAKE_C_IDENTIFIER "${part}_${header}" stem)
  set(probe ${WORK}/${stem}.cpp)
  file(WRITE ${probe} "#include \"${header}\"\n")
  execute_process(COMMAND ${COMPILER} -std=c++17 -fsyntax-only ${flags} ${probe}
                  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE out)
  set(${result} ${code} PARENT_SCOPE)
  set(${output} "${out}" PARENT_SCOPE)
endfunction()

foreach(part base world core)
  file(GLOB headers RELATIVE ${SOURCE_DIR}/engine ${SOURCE_DIR}/engine/${part}/*.h)
  if(NOT headers)
    list(APPEND failures "engine/${part} has no headers: is SOURCE_DIR right?")
  endif()
  foreach(header ${headers})
    compiles(${part} ${header} code out)
    if(NOT code EQUAL 0)
      list(APPEND failures "${header} does not compile by itself with engine/${part}'s include roots:\n${out}")
    endif()
  endforeach()
endforeach()

# A part must not see these. Each probe fails only for want of the header, not for another error.
foreach(probe "base:world/world.h" "base:core/engine.h" "world:core/engine.h" "world:core/frame.h"
              "world:engine/core/engine.h" "base:engine/world/world.h")
  string(REPLACE ":" ";" pair "${probe}")
  list(GET pair 0 part)
  list(GET pair 1 header)
  compiles(${part} ${header} code out)
  if(code EQUAL 0)
    list(APPEND failures "engine/${part} can include ${header}: its include roots reach a part above it")
  elseif(NOT out MATCHES "No such file|not found")
    list(APPEND failures "engine/${part} including ${header} failed for another reason than a missing header:\n${out}")
  endif()
endforeach()

file(GLOB_RECURSE sources ${SOURCE_DIR}/engine/*.cpp ${SOURCE_DIR}/engine/*.h)
foreach(source ${sources})
  file(STRINGS ${source} climbs REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^\">]*\\.\\.[/\\\\]")
  if(climbs)
    file(RELATIVE_PATH shown ${SOURCE_DIR} ${source})
    list(APPEND failures "${shown} includes with \"../\", past its part's include roots: ${climbs}")
  endif()
endforeach()

# Inside engine/world the calls run one way: the record (world.cpp) includes no other world header
# and so calls no step that builds the world, and only world_build.cpp, above the builders, knows
# build_world.
file(STRINGS ${SOURCE_DIR}/engine/world/world.cpp record_includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"world/")
foreach(line ${record_includes})
  if(NOT line MATCHES "\"world/world\\.h\"")
    list(APPEND failures "engine/world/world.cpp, the world record, includes a builder: ${line}")
  endif()
endforeach()
file(GLOB world_sources ${SOURCE_DIR}/engine/world/*.cpp ${SOURCE_DIR}/engine/world/*.h)
foreach(source ${world_sources})
  get_filename_component(name ${source} NAME)
  file(STRINGS ${source} builds REGEX "world/world_build\\.h|build_world\\(")
  if(builds AND NOT name MATCHES "^world_build\\.(h|cpp)$")
    list(APPEND failures "engine/world/${name} calls up into build_world: ${builds}")
  endif()
endforeach()

if(failures)
  string(REPLACE ";" "\n" failures "${failures}")
  message(FATAL_ERROR "${failures}")
endif()
message(STATUS "engine parts: every header stands alone; no part sees a part above it")
