// Memory advice for large buffers that are filled once and read through (a firmware image).
#pragma once

#include <cstddef>

namespace platform {

// Asks for the whole 2 MiB pages inside [data, data + size) to be backed by huge pages before they
// are first touched: one page fault per 2 MiB instead of one per 4 KiB, which is most of the cost of
// reading a large file into fresh memory. Advice only: where huge pages are off, nothing changes.
void adviseHugePages(void* data, std::size_t size);

} // namespace platform
