#include "large_pages.h"

#include <cstdint>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

#if defined(__linux__)
constexpr bool kHasLargePages = true;
#else
constexpr bool kHasLargePages = false;
#endif

}  // namespace

void AdviseLargePages(void* data, std::size_t bytes) {
#if defined(__linux__)
    const auto first = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = (first + kLargePageSize - 1) & ~(kLargePageSize - 1);
    const std::uintptr_t end = (first + bytes) & ~(kLargePageSize - 1);
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
    // Elsewhere the alignment would only take room: nothing is advised there.
    if (kHasLargePages) {
        return ::operator new (bytes, std::align_val_t{kLargePageSize});
    }
    return ::operator new(bytes);
}

void FreeLargeBlock(void* block) {
    if (kHasLargePages) {
        ::operator delete (block, std::align_val_t{kLargePageSize});
    } else {
        ::operator delete(block);
    }
}
