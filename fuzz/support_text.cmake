printer_tools_fuzzer(NAME support_text SOURCES ${CMAKE_CURRENT_LIST_DIR}/support_text.cpp LIBS support)
