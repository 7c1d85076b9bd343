# Printer pictures and the translations of the window, menus and notices, compiled into the library
# as Qt resources (":/images/<name>.png", ":/i18n/printer-tools_<lang>.qm").

qt_add_resources(printer_tools printer_pictures
  PREFIX /images
  BASE ${CMAKE_CURRENT_SOURCE_DIR}/resources/images
  FILES
    ${CMAKE_CURRENT_SOURCE_DIR}/resources/images/ZEV_HV_Series.png
    ${CMAKE_CURRENT_SOURCE_DIR}/resources/images/ZEV_QX_Series.png
    ${CMAKE_CURRENT_SOURCE_DIR}/resources/images/HVCA_LSide.png)

# English texts are the keys; a missing translation shows the English text.
# `cmake --build build --target update_translations` refreshes the .ts files from the sources.
qt_add_translations(printer_tools
  TS_FILES ${CMAKE_CURRENT_SOURCE_DIR}/resources/translations/printer-tools_de.ts
  RESOURCE_PREFIX /i18n
  LUPDATE_OPTIONS -no-obsolete -locations none)
