# Probes of the layering: each compiles one include as if it were code of a layer. A refused
# include must fail to compile because the header is not found (not for any other reason);
# an allowed one must compile. The check runs as the ctest test "layering".
#
# Each entry: <layer>|<header>|refused or allowed
set(QUILLET_LAYER_PROBES
  "text|platform/automation/error.h|refused"
  "text|platform/files/files.h|refused"
  "automation|platform/files/files.h|refused"
  "files|platform/xml/xml.h|refused"
  "xml|platform/registry/registry.h|refused"
  "data|platform/vbscript/script_control.h|refused"
  "vbscript|core/core.h|refused"
  "core|elements/chart.h|refused"
  "elements|model/table.h|refused"
  "model|extensions/extension.h|refused"
  "extensions|project/ruz.h|refused"
  "project|template/compiler.h|refused"
  "template|generation/generator.h|refused"
  "schema|template/compiler.h|refused"
  "files|platform/text/casefold.h|allowed"
  "files|platform/automation/error.h|allowed"
  "schema|platform/data/connection.h|allowed"
  "schema|project/ruz.h|allowed"
  "generation|core/core.h|allowed")

set(probe_args "")
set(index 0)
foreach(probe ${QUILLET_LAYER_PROBES})
  string(REPLACE "|" ";" parts "${probe}")
  list(GET parts 0 layer)
  list(GET parts 1 header)
  list(GET parts 2 expect)
  # A layer or header not written yet has nothing to prove.
  if(NOT TARGET quillet_${layer} OR NOT EXISTS "${CMAKE_SOURCE_DIR}/src/${header}")
    continue()
  endif()
  math(EXPR index "${index} + 1")
  set(source "${CMAKE_BINARY_DIR}/layering_probes/probe_${index}.cpp")
  file(CONFIGURE OUTPUT "${source}" CONTENT "#include \"${header}\"\n")
  add_library(layering_probe_${index} OBJECT EXCLUDE_FROM_ALL "${source}")
  target_link_libraries(layering_probe_${index} PRIVATE quillet_${layer})
  list(APPEND probe_args "layering_probe_${index}|${layer}|${header}|${expect}")
endforeach()

string(REPLACE ";" "," probe_list "${probe_args}")
add_test(NAME layering
         COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
                 "-DPROBES=${probe_list}"
                 -P ${CMAKE_CURRENT_LIST_DIR}/check.cmake)
