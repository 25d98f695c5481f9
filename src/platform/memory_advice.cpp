#include "platform/memory_advice.h"

#include <cstdint>
#include <sys/mman.h>

namespace kelvane::platform {

void adviseLargeBuffer(void* data, qsizetype size) {
    constexpr std::uintptr_t kHugePage = 2 * 1024 * 1024;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t end = (begin + static_cast<std::uintptr_t>(size)) & ~(kHugePage - 1);
    if (size <= 0 || end <= first)
        return;
#ifdef MADV_HUGEPAGE
    ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#endif
}

} // namespace kelvane::platform
