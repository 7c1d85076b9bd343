# The package files' keyed digests against the catalogue: arbitrary names, contents and expected
# digests in a temporary package folder, held to OpenSSL's own HMAC.
printer_tools_fuzzer(NAME firmware_digest SOURCES ${CMAKE_CURRENT_LIST_DIR}/firmware_digest.cpp
  LIBS core OpenSSL::Crypto)
