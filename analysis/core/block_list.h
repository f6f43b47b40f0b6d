#pragma once

#include <memory>
#include <type_traits>
#include <vector>

#include "core/large_pages.h"

// A list that grows a block at a time: adding to it never moves what it holds, so that a large
// list is never held twice (the old copy and the new) nor copied while it grows. A block is one
// large page; unless the list is expected to grow large, the first, all that most maps need, is
// left in ordinary pages, which take room only as they are written.
template <typename T>
class CBlockList {
    static_assert(std::is_trivially_copyable<T>::value && std::is_trivially_destructible<T>::value,
                  "items are kept in raw blocks");

public:
    void push_back(const T& item) {
        if (m_size == m_blocks.size() * kBlockSize) {
            AddBlock();
        }
        (*this)[m_size++] = item;
    }

    // When `items` would fill a block, every block, the first too, is asked for as large pages.
    void Expect(std::size_t items) { m_large = items * sizeof(T) >= kLargePageSize; }

    bool empty() const { return m_size == 0; }
    T& back() { return (*this)[m_size - 1]; }
    T& operator[](std::size_t i) { return m_blocks[i / kBlockSize].get()[i % kBlockSize]; }
    const T& operator[](std::size_t i) const {
        return m_blocks[i / kBlockSize].get()[i % kBlockSize];
    }
    std::size_t size() const { return m_size; }

    template <typename List, typename Item>
    class Iterator {
    public:
        Iterator(List& list, std::size_t index) : m_list(list), m_index(index) {}
        Item& operator*() const { return m_list[m_index]; }
        Iterator& operator++() {
            ++m_index;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return m_index != other.m_index; }

    private:
        List& m_list;
        std::size_t m_index;
    };

    Iterator<CBlockList, T> begin() { return {*this, 0}; }
    Iterator<CBlockList, T> end() { return {*this, m_size}; }
    Iterator<const CBlockList, const T> begin() const { return {*this, 0}; }
    Iterator<const CBlockList, const T> end() const { return {*this, m_size}; }

private:
    static constexpr std::size_t kBlockSize = kLargePageSize / sizeof(T);

    struct FreeBlock {
        void operator()(T* block) const { FreeLargeBlock(block, kBlockSize * sizeof(T)); }
    };

    void AddBlock() {
        std::unique_ptr<T, FreeBlock> block(static_cast<T*>(NewLargeBlock(kBlockSize * sizeof(T))));
        std::uninitialized_default_construct_n(block.get(), kBlockSize);
        if (m_large || !m_blocks.empty()) {
            AdviseLargePages(block.get(), kBlockSize * sizeof(T));
        }
        m_blocks.push_back(std::move(block));
    }

    std::vector<std::unique_ptr<T, FreeBlock>> m_blocks;
    std::size_t m_size = 0;
    bool m_large = false;
};
