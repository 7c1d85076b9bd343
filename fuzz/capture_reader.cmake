# Arbitrary capture files, as --simulate-from reads them: read or refused with a reason, never a crash.
printer_tools_fuzzer(NAME capture_reader SOURCES ${CMAKE_CURRENT_LIST_DIR}/capture_reader.cpp LIBS usb_capture)
