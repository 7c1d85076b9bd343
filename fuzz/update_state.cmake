# Arbitrary contents of the file of updates under way: taken whole with only valid entries, or refused.
printer_tools_fuzzer(NAME update_state SOURCES ${CMAKE_CURRENT_LIST_DIR}/update_state.cpp LIBS core)
