#include "platform/memory.h"

#include <cstdint>
#include <sys/mman.h>

namespace platform {

void adviseHugePages(void* data, std::size_t size) {
    constexpr std::uintptr_t kHugePage = std::uintptr_t(2) << 20;
    const auto at = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = (at + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t end = (at + size) & ~(kHugePage - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

} // namespace platform
