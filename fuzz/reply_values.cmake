# The lifetime-counter, status and switch answers as stored values: their form, Qt's reading of the
# number, and a simulated printer's state read back through real frames.
printer_tools_fuzzer(NAME reply_values SOURCES ${CMAKE_CURRENT_LIST_DIR}/reply_values.cpp LIBS core devicemodel)
