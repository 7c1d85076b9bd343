# Reply framing and the reply-to-value rules over arbitrary bytes arriving on the bulk-in pipe, and the
# device model's frame parser over arbitrary bytes a host writes.
printer_tools_fuzzer(NAME reply SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_reply.cpp LIBS core devicemodel)
