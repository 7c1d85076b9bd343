// Small helpers the fuzz targets share.
#pragma once

#include <cstring>
#include <vector>

namespace fuzz {

// A broken property: stops the run so that libFuzzer keeps the input.
inline void check(bool condition) {
    if (!condition) __builtin_trap();
}

// Call from LLVMFuzzerInitialize in a target whose code logs a line per call: silences the target's
// standard error (libFuzzer keeps its own copy for its reports and the sanitizers' ones) unless the
// caller chose a mask. libFuzzer parses its flags after that hook, so adding one here takes effect.
inline void silenceTargetStderr(int* argc, char*** argv) {
    for (int i = 1; i < *argc; ++i)
        if (std::strncmp((*argv)[i], "-close_fd_mask=", 15) == 0) return;
    static std::vector<char*> arguments(*argv, *argv + *argc);
    static char mask[] = "-close_fd_mask=2";
    arguments.insert(arguments.begin() + 1, mask);
    arguments.push_back(nullptr);
    *argc = int(arguments.size() - 1);
    *argv = arguments.data();
}

} // namespace fuzz
