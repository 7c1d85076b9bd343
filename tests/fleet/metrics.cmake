# --list --metrics checked by promtool once a second while another run updates a printer at the
# realistic pace (about a minute).
add_test(NAME fleet.metrics
  COMMAND Python3::Interpreter ${CMAKE_CURRENT_SOURCE_DIR}/test_metrics.py $<TARGET_FILE:printer-flasher>)
set_tests_properties(fleet.metrics PROPERTIES TIMEOUT 400
  ENVIRONMENT "PRINTER_TOOLS_RESOURCES=${PROJECT_SOURCE_DIR}/resources;${_no_print_system};${_sanitizer_env}")
