#pragma once

namespace kelvane::test {

// AddressSanitizer keeps freed memory in quarantine and pads every block, so what a process
// holds says nothing about what the code keeps. Tests of a memory bound skip under it; the
// ordinary build runs them.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kMemoryBoundsMeasurable = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kMemoryBoundsMeasurable = false;
#else
inline constexpr bool kMemoryBoundsMeasurable = true;
#endif
#else
inline constexpr bool kMemoryBoundsMeasurable = true;
#endif

} // namespace kelvane::test

#define KELVANE_SKIP_UNLESS_MEMORY_MEASURABLE()                                                    \
    do {                                                                                           \
        if (!::kelvane::test::kMemoryBoundsMeasurable)                                             \
            GTEST_SKIP() << "memory is not measurable under AddressSanitizer";                     \
    } while (false)
