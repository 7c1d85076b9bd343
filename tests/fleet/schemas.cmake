# fleet.schemas: the JSON Schemas in docs/schemas/ against what both programs print with --json, on
# simulated printers. A run takes a few seconds; sanitizer builds are several times slower.
add_test(NAME fleet.schemas
  COMMAND ${PRINTER_TOOLS_SYSTEM_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/check-schemas.py
          $<TARGET_FILE:printer-flasher> $<TARGET_FILE:serial-switcher> ${PROJECT_SOURCE_DIR}/docs/schemas)
set_tests_properties(fleet.schemas PROPERTIES TIMEOUT 300
  SKIP_REGULAR_EXPRESSION "SKIP   : "
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;PRINTER_TOOLS_RESOURCES=${PROJECT_SOURCE_DIR}/resources;${_no_print_system};${_no_user_folders};${_sanitizer_env}")
