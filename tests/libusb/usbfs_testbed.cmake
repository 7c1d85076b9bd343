# The umockdev testbed with simulated printers behind usbfs nodes (UsbfsTestbed, UrbResponder): the
# libusb tests and the libusb benchmarks both include this, and whichever comes first defines it.
if(NOT TARGET printer_tools_usbfs_testbed)
  add_library(printer_tools_usbfs_testbed STATIC
    ${CMAKE_CURRENT_LIST_DIR}/UsbfsTestbed.cpp ${CMAKE_CURRENT_LIST_DIR}/UsbfsTestbed.h
    ${CMAKE_CURRENT_LIST_DIR}/UrbResponder.cpp ${CMAKE_CURRENT_LIST_DIR}/UrbResponder.h
    ${CMAKE_CURRENT_LIST_DIR}/LibusbApplication.h)
  target_link_libraries(printer_tools_usbfs_testbed PUBLIC devicemodel PkgConfig::UMOCKDEV
    PRIVATE printer_tools_warnings)
  target_include_directories(printer_tools_usbfs_testbed PUBLIC ${CMAKE_CURRENT_LIST_DIR})
endif()
