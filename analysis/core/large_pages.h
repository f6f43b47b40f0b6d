#pragma once

#include <cstddef>
#include <new>

// The tables a reader fills a little at a time (rows, names, section records) are most of the
// memory that reading a large map touches. Where the system backs memory with large pages on
// request (Linux's transparent huge pages), asking for them turns a page fault for every 4 KiB
// of such a table into one for every 2 MiB, and reading the table in random order (as sorting
// does) misses the TLB far less. Elsewhere these give ordinary memory.

// The size of the large pages asked for.
constexpr std::size_t kLargePageSize = std::size_t{2} << 20;

// The bytes of the whole large pages that hold `bytes` bytes.
constexpr std::size_t WholeLargePages(std::size_t bytes) {
    return (bytes + kLargePageSize - 1) / kLargePageSize * kLargePageSize;
}

// Asks for the whole large pages within [data, data + bytes) to be backed by large pages. Only
// a hint: the contents stay as they are, and memory not yet touched takes no room until it is.
void AdviseLargePages(void* data, std::size_t bytes);

// Room for `bytes` bytes that begins at a large page where the system has them (so that a block
// of kLargePageSize bytes is one page once advised), without the advice; there, freeing it gives
// its memory back to the system at once. Zero-filled or uninitialised; throws std::bad_alloc when
// there is no room. Free it with FreeLargeBlock and the same size.
void* NewLargeBlock(std::size_t bytes);
void FreeLargeBlock(void* block, std::size_t bytes);

// For vectors that can grow large: a request of half a large page or more gets whole large pages
// of their own (the last one not all used), a smaller one ordinary memory.
template <typename T>
class CLargePageAllocator {
public:
    using value_type = T;

    CLargePageAllocator() = default;
    template <typename U>
    CLargePageAllocator(const CLargePageAllocator<U>&) {}

    T* allocate(std::size_t count) {
        const std::size_t bytes = count * sizeof(T);
        if (bytes < kLargePageSize / 2) {
            return static_cast<T*>(::operator new(bytes));
        }
        void* const block = NewLargeBlock(bytes);
        AdviseLargePages(block, WholeLargePages(bytes));
        return static_cast<T*>(block);
    }

    void deallocate(T* items, std::size_t count) {
        const std::size_t bytes = count * sizeof(T);
        if (bytes < kLargePageSize / 2) {
            ::operator delete(items);
        } else {
            FreeLargeBlock(items, bytes);
        }
    }

    template <typename U>
    bool operator==(const CLargePageAllocator<U>&) const {
        return true;
    }
    template <typename U>
    bool operator!=(const CLargePageAllocator<U>&) const {
        return false;
    }
};
