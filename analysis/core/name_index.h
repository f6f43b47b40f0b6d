#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "core/size_table.h"

// Each distinct name once, copied into the table's store and known by a number from 0 up: a map
// repeats a few dozen section names hundreds of thousands of times.
class CNameIndex {
public:
    // No name: the id of a slot or a name that has none.
    static constexpr std::uint32_t kNone = UINT32_MAX;

    explicit CNameIndex(CNameStore& store) : m_store(store), m_slots(64, kNone) {}

    std::uint32_t Id(std::string_view name) {
        const std::uint64_t hash = Hash(name);
        const std::size_t mask = m_slots.size() - 1;
        std::size_t slot = hash & mask;
        for (; m_slots[slot] != kNone; slot = (slot + 1) & mask) {
            const std::uint32_t id = m_slots[slot];
            if (m_hashes[id] == hash && m_names[id] == name) {
                return id;
            }
        }
        const auto id = static_cast<std::uint32_t>(m_names.size());
        m_names.push_back(m_store.Add(name));
        m_hashes.push_back(hash);
        m_slots[slot] = id;
        if (2 * m_names.size() > m_slots.size()) {
            Grow();
        }
        return id;
    }

    std::string_view Name(std::uint32_t id) const { return m_names[id]; }
    std::size_t Size() const { return m_names.size(); }

private:
    // Names of up to 16 bytes (nearly all) from two loads that cover them; longer ones byte by
    // byte (FNV-1a), so that names that differ only in the middle do not all collide.
    static std::uint64_t Hash(std::string_view name) {
        const std::size_t n = name.size();
        std::uint64_t hash = n;
        if (n <= 16) {
            std::uint64_t head = 0;
            std::uint64_t tail = 0;
            std::memcpy(&head, name.data(), std::min<std::size_t>(n, 8));
            if (n > 8) {
                std::memcpy(&tail, name.data() + n - 8, 8);
            }
            hash ^= (head * 0x9E3779B97F4A7C15ull) ^ (tail * 0xC2B2AE3D27D4EB4Full);
        } else {
            hash = 0xCBF29CE484222325ull;
            for (char c : name) {
                hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
            }
        }
        return hash ^ (hash >> 29);
    }

    void Grow() {
        m_slots.assign(2 * m_slots.size(), kNone);
        const std::size_t mask = m_slots.size() - 1;
        for (std::uint32_t id = 0; id < m_names.size(); ++id) {
            std::size_t slot = m_hashes[id] & mask;
            while (m_slots[slot] != kNone) {
                slot = (slot + 1) & mask;
            }
            m_slots[slot] = id;
        }
    }

    CNameStore& m_store;
    std::vector<std::uint32_t> m_slots;  // ids, kNone where free
    std::vector<std::string_view> m_names;
    std::vector<std::uint64_t> m_hashes;
};
