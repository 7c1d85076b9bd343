# Printer pictures and the translations of the window, menus and notices, compiled into the platform
# layer as Qt resources (":/images/<name>.png", ":/i18n/printer-tools_<lang>.qm"), where its pictures
# and strings table look them up.

qt_add_resources(platform printer_pictures
  PREFIX /images
  BASE ${PROJECT_SOURCE_DIR}/resources/images
  FILES
    ${PROJECT_SOURCE_DIR}/resources/images/ZEV_HV_Series.png
    ${PROJECT_SOURCE_DIR}/resources/images/ZEV_QX_Series.png
    ${PROJECT_SOURCE_DIR}/resources/images/HVCA_LSide.png)

# English texts are the keys; a missing translation shows the English text. The texts are marked
# where they are defined, in every layer; `cmake --build build --target update_translations`
# refreshes the .ts files from all of them.
set(_translated_sources)
foreach(_layer platform support core app ui cli)
  get_target_property(_layer_sources ${_layer} SOURCES)
  list(APPEND _translated_sources ${_layer_sources})
endforeach()
set(_translation_sources)
foreach(_language de es fr it ja pt_BR zh_CN)
  list(APPEND _translation_sources ${PROJECT_SOURCE_DIR}/resources/translations/printer-tools_${_language}.ts)
endforeach()
qt_add_translations(platform
  TS_FILES ${_translation_sources}
  SOURCES ${_translated_sources}
  RESOURCE_PREFIX /i18n
  LUPDATE_OPTIONS -no-obsolete -locations none)

# The same catalogues are installed into each program's package folder, share/<program>/translations/,
# where the strings table prefers them to the compiled-in ones: an installed package's translations
# can be replaced without rebuilding the programs.
set(_translation_catalogues)
foreach(_ts IN LISTS _translation_sources)
  get_filename_component(_name ${_ts} NAME_WLE)
  list(APPEND _translation_catalogues ${CMAKE_CURRENT_BINARY_DIR}/${_name}.qm)
endforeach()
foreach(_program printer-flasher serial-switcher)
  install(FILES ${_translation_catalogues} DESTINATION share/${_program}/translations)
endforeach()
