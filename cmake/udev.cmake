# The udev rule that gives the logged-in user access to the supported printers, made from the USB
# ids of cmake/usb_ids.cmake (included before this file).
function(_printer_tools_udev_hex4 value out)
  string(TOLOWER "${value}" value)
  string(REGEX REPLACE "^0x" "" value "${value}")
  string(LENGTH "${value}" length)
  while(length LESS 4)
    set(value "0${value}")
    string(LENGTH "${value}" length)
  endwhile()
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

function(_printer_tools_generate_udev_rule)
  # Every product either program accepts, under each vendor id of the family (the two sets are
  # tested independently, as the programs do).
  set(_vendors PRINTER_TOOLS_ZEV_VENDOR_ID_PRIMARY PRINTER_TOOLS_ZEV_VENDOR_ID_SECONDARY)
  set(_products PRINTER_TOOLS_ZEV_PRODUCT_ID_HVQXA PRINTER_TOOLS_ZEV_PRODUCT_ID_HVC
    PRINTER_TOOLS_ZEV_PRODUCT_ID_EIGHT_TABLE)
  set(_lines "")
  set(_complete TRUE)
  foreach(_v IN LISTS _vendors _products)
    if(NOT DEFINED ${_v} OR "${${_v}}" STREQUAL "")
      set(_complete FALSE)
    endif()
  endforeach()
  if(_complete)
    foreach(_v IN LISTS _vendors)
      _printer_tools_udev_hex4("${${_v}}" _vendor)
      foreach(_p IN LISTS _products)
        _printer_tools_udev_hex4("${${_p}}" _product)
        string(APPEND _lines
          "ATTR{idVendor}==\"${_vendor}\", ATTR{idProduct}==\"${_product}\", GROUP=\"printer-tools\", MODE=\"0660\", TAG+=\"uaccess\"\n")
      endforeach()
    endforeach()
  else()
    message(WARNING "printer-tools: the printers' USB ids are not configured; the udev rule holds placeholders")
    set(_lines "# Placeholders: configure the printers' USB ids and rebuild.\n"
      "# ATTR{idVendor}==\"vvvv\", ATTR{idProduct}==\"pppp\", TAG+=\"uaccess\"\n")
    list(JOIN _lines "" _lines)
  endif()
  string(STRIP "${_lines}" PRINTER_TOOLS_UDEV_MATCHES)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/60-printer-tools.rules.in
    ${PROJECT_BINARY_DIR}/packaging/60-printer-tools.rules @ONLY)
endfunction()

set(PRINTER_TOOLS_UDEV_RULES_DIR "lib/udev/rules.d" CACHE STRING
  "Where the udev rule is installed, relative to the prefix (udev reads /usr/lib/udev/rules.d)")
_printer_tools_generate_udev_rule()
install(FILES ${PROJECT_BINARY_DIR}/packaging/60-printer-tools.rules DESTINATION ${PRINTER_TOOLS_UDEV_RULES_DIR})
