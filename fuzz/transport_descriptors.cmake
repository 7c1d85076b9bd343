# What a printer says about itself (device ID, language table, string descriptors) as arbitrary bytes.
printer_tools_fuzzer(NAME transport_descriptors SOURCES ${CMAKE_CURRENT_LIST_DIR}/transport_descriptors.cpp
  LIBS core usb_sim)
