printer_tools_fuzzer(NAME srec SOURCES ${CMAKE_CURRENT_LIST_DIR}/srec.cpp LIBS core)
