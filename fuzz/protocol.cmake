# Reply framing and the reply-to-value rules over arbitrary bytes arriving on the bulk-in pipe.
printer_tools_fuzzer(NAME reply SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_reply.cpp)
