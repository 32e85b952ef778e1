# One static library per layer and per platform module. A target sees, as include root, only
# its own folder and the folders of the layers it declares (and theirs, transitively), so an
# include of a layer it may not use is "No such file or directory" at compile time rather
# than a convention somebody has to remember.
#
# quillet_layer(<name> <folder below src/> [USES <layer>...] [LIBS <library>...])
#   A folder that does not exist (yet) creates no target; layers that name it as a user get
#   what it would have given them, so the declared order holds before the folder lands.

set(QUILLET_LAYER_ROOT "${CMAKE_BINARY_DIR}/layers")

# The layers a layer may use, with absent ones replaced by what they use in turn.
function(_quillet_present_uses out)
  set(result "")
  foreach(u ${ARGN})
    get_property(known GLOBAL PROPERTY QUILLET_LAYER_${u}_DECLARED)
    if(NOT known)
      message(FATAL_ERROR "layer '${u}' is used before it is declared")
    endif()
    if(TARGET quillet_${u})
      list(APPEND result quillet_${u})
    else()
      get_property(inner GLOBAL PROPERTY QUILLET_LAYER_${u}_USES)
      _quillet_present_uses(sub ${inner})
      list(APPEND result ${sub})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES result)
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

function(quillet_layer name folder)
  cmake_parse_arguments(L "" "" "USES;LIBS" ${ARGN})
  set_property(GLOBAL PROPERTY QUILLET_LAYER_${name}_DECLARED TRUE)
  set_property(GLOBAL PROPERTY QUILLET_LAYER_${name}_USES ${L_USES})
  set_property(GLOBAL APPEND PROPERTY QUILLET_LAYER_FOLDERS "${folder}")
  set(dir "${CMAKE_SOURCE_DIR}/src/${folder}")
  if(NOT IS_DIRECTORY "${dir}")
    return()
  endif()
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${dir}/*.cpp")

  # The include root: <root>/<folder> is a link to the folder, nothing else is in it.
  set(root "${QUILLET_LAYER_ROOT}/${name}")
  get_filename_component(parent "${root}/${folder}" DIRECTORY)
  file(MAKE_DIRECTORY "${parent}")
  if(NOT EXISTS "${root}/${folder}")
    file(CREATE_LINK "${dir}" "${root}/${folder}" SYMBOLIC)
  endif()

  _quillet_present_uses(uses ${L_USES})
  if(sources)
    add_library(quillet_${name} STATIC ${sources})
    target_include_directories(quillet_${name} PUBLIC "${root}")
    target_link_libraries(quillet_${name} PUBLIC ${uses} ${L_LIBS})
  else()
    add_library(quillet_${name} INTERFACE)
    target_include_directories(quillet_${name} INTERFACE "${root}")
    target_link_libraries(quillet_${name} INTERFACE ${uses} ${L_LIBS})
  endif()
  set_property(GLOBAL APPEND PROPERTY QUILLET_LAYER_TARGETS quillet_${name})
endfunction()

# Every folder under src/ and src/platform/ must belong to a layer (the host excepted), so
# new code cannot slip past the check by living in an undeclared folder.
function(quillet_check_layer_folders)
  get_property(declared GLOBAL PROPERTY QUILLET_LAYER_FOLDERS)
  file(GLOB entries LIST_DIRECTORIES true CONFIGURE_DEPENDS
       RELATIVE "${CMAKE_SOURCE_DIR}/src" "${CMAKE_SOURCE_DIR}/src/*"
       "${CMAKE_SOURCE_DIR}/src/platform/*")
  foreach(e ${entries})
    if(IS_DIRECTORY "${CMAKE_SOURCE_DIR}/src/${e}" AND NOT e STREQUAL "platform"
       AND NOT e STREQUAL "host" AND NOT e IN_LIST declared)
      message(FATAL_ERROR "src/${e} belongs to no layer: declare it in CMakeLists.txt")
    endif()
  endforeach()
endfunction()
