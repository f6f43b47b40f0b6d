#include "core/large_pages.h"

#include <cstdint>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>

namespace {

std::uintptr_t RoundUp(std::uintptr_t value, std::uintptr_t step) {
    return (value + step - 1) / step * step;
}

}  // namespace
#endif

void AdviseLargePages(void* data, std::size_t bytes) {
#if defined(__linux__)
    const auto first = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = RoundUp(first, kLargePageSize);
    const std::uintptr_t end = (first + bytes) / kLargePageSize * kLargePageSize;
    if (end > begin) {
        // A refusal (no transparent huge pages in this kernel) leaves ordinary pages.
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    }
#else
    (void)data;
    (void)bytes;
#endif
}

void* NewLargeBlock(std::size_t bytes) {
#if defined(__linux__)
    // A mapping of its own, cut to begin at a large page. Freed, it gives its pages back at once:
    // in a heap that keeps freed memory they could go to the next large request, such as the
    // room the next map's table reserves, which touches few of them, and that map's lists would
    // then need fresh pages.
    const std::size_t size = WholeLargePages(bytes);
    void* const mapped = mmap(nullptr, size + kLargePageSize, PROT_READ | PROT_WRITE,
                              MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        throw std::bad_alloc();
    }
    const auto first = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t begin = RoundUp(first, kLargePageSize);
    if (begin > first) {
        munmap(mapped, begin - first);
    }
    const std::uintptr_t end = first + size + kLargePageSize;
    if (end > begin + size) {
        munmap(reinterpret_cast<void*>(begin + size), end - (begin + size));
    }
    return reinterpret_cast<void*>(begin);
#else
    return ::operator new(bytes);
#endif
}

void FreeLargeBlock(void* block, std::size_t bytes) {
#if defined(__linux__)
    munmap(block, WholeLargePages(bytes));
#else
    (void)bytes;
    ::operator delete(block);
#endif
}
