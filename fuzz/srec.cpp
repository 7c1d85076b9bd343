// Feeds arbitrary bytes to the S-record check, the S0 header reader and the word padding: none may
// crash or read outside the input, and the padding must keep the input and add only zero bytes.
#include "Classes/TBFirmwarePackage.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <vector>

// The padding logs a line per call. Silence the target's standard error (libFuzzer keeps its own
// copy for its reports) unless the caller chose a mask; flags are parsed after this hook.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    for (int i = 1; i < *argc; ++i)
        if (std::strncmp((*argv)[i], "-close_fd_mask=", 15) == 0) return 0;
    static std::vector<char*> arguments(*argv, *argv + *argc);
    static char mask[] = "-close_fd_mask=2";
    arguments.insert(arguments.begin() + 1, mask);
    arguments.push_back(nullptr);
    *argc = int(arguments.size() - 1);
    *argv = arguments.data();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size copy, so that ASan sees any read past the end.
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const bool good = TBFirmwarePackage::verifySRecData(bytes);
    const auto header = TBFirmwarePackage::imageHeader(bytes);
    // A header comes only from good records ahead of any data record.
    if (header && header->text.size() > 255) std::abort();
    (void)good;

    const QByteArray padded = TBFirmwarePackage::paddedData(bytes);
    if (padded.size() % 4 != 0 && !bytes.isEmpty()) std::abort();
    if (padded.size() - bytes.size() > 3 || padded.size() < bytes.size()) std::abort();
    if (std::memcmp(padded.constData(), bytes.constData(), size_t(bytes.size())) != 0) std::abort();
    for (qsizetype i = bytes.size(); i < padded.size(); ++i)
        if (padded[i] != '\0') std::abort();
    return 0;
}
