#pragma once

#include <cstdint>
#include <vector>

// A half-open range of addresses [begin, end).
struct AddressRange {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;

    bool operator==(const AddressRange& other) const {
        return begin == other.begin && end == other.end;
    }
};

// A set of addresses kept as sorted, disjoint, non-adjacent ranges.
class CAddressSet {
public:
    // The set of the addresses of any number of ranges, in any order (sorted once, so that
    // many ranges stay cheap).
    static CAddressSet FromRanges(std::vector<AddressRange> ranges);

    void Add(std::uint64_t begin, std::uint64_t end);
    void Add(const CAddressSet& other);

    // The addresses of this set that are not in `other`.
    CAddressSet Minus(const CAddressSet& other) const;
    // The addresses in both sets.
    CAddressSet Intersect(const CAddressSet& other) const;

    bool Contains(std::uint64_t address) const;
    std::uint64_t Size() const;
    bool Empty() const { return m_ranges.empty(); }
    const std::vector<AddressRange>& Ranges() const { return m_ranges; }

private:
    std::vector<AddressRange> m_ranges;
};
