# cmake -DBUILD_DIR=<dir> -DCHECKS=<target|header;...> -P check_layers.cmake
# Builds each probe target and passes only when every one fails for its header alone.
foreach(_check IN LISTS CHECKS)
  string(REPLACE "|" ";" _parts "${_check}")
  list(GET _parts 0 _target)
  list(GET _parts 1 _header)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${_target}
    RESULT_VARIABLE _result OUTPUT_VARIABLE _output ERROR_VARIABLE _output)
  if(_result EQUAL 0)
    message(FATAL_ERROR "${_target}: the layer reached ${_header}, a header of a higher layer")
  endif()
  string(REPLACE "." "\\." _pattern "${_header}")
  # GCC and Clang word it differently.
  if(NOT _output MATCHES "${_pattern}: No such file or directory|'${_pattern}' file not found")
    message(FATAL_ERROR "${_target} failed, but not for want of ${_header}:\n${_output}")
  endif()
  message(STATUS "${_target}: ${_header} is out of reach")
endforeach()
