# printer_tools_layer(<target> <folder> [EXCLUDE <subfolder>...] [PUBLIC <libs>...] [PRIVATE <libs>...])
#
# One layer of the program: a static library of every .cpp and .h under <folder> (less the excluded
# subfolders, which are layers of their own), or an interface library when the folder holds headers
# only. A layer's headers are reachable only through the
# layers that link it: each layer gets an include root of its own in the build tree holding links to
# its own headers, under their source paths ("platform/queue.h"), and the source tree itself is on no
# include path. A lower layer that includes a header of a higher one therefore fails to compile.
function(printer_tools_layer target folder)
  cmake_parse_arguments(L "" "" "EXCLUDE;PUBLIC;PRIVATE" ${ARGN})
  file(GLOB_RECURSE _files CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}
    ${PROJECT_SOURCE_DIR}/${folder}/*.cpp ${PROJECT_SOURCE_DIR}/${folder}/*.h)
  foreach(_exclude IN LISTS L_EXCLUDE)
    list(FILTER _files EXCLUDE REGEX "^${folder}/${_exclude}/")
  endforeach()

  set(_root ${PROJECT_BINARY_DIR}/layers/${target})
  file(REMOVE_RECURSE ${_root})
  set(_sources)
  foreach(_file IN LISTS _files)
    list(APPEND _sources ${PROJECT_SOURCE_DIR}/${_file})
    if(_file MATCHES "\\.h$")
      get_filename_component(_dir ${_root}/${_file} DIRECTORY)
      file(MAKE_DIRECTORY ${_dir})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${_file} ${_root}/${_file} SYMBOLIC)
    endif()
  endforeach()

  file(MAKE_DIRECTORY ${_root})
  list(FILTER _files INCLUDE REGEX "\\.cpp$")
  if(_files)
    add_library(${target} STATIC ${_sources})
    target_include_directories(${target} PUBLIC ${_root})
    target_link_libraries(${target} PUBLIC ${L_PUBLIC} PRIVATE printer_tools_warnings ${L_PRIVATE})
  else()
    # Headers only: nothing to compile, only the include root and what the headers need.
    add_library(${target} INTERFACE ${_sources})
    target_include_directories(${target} INTERFACE ${_root})
    target_link_libraries(${target} INTERFACE ${L_PUBLIC})
  endif()
endfunction()
