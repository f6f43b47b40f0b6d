#include "core/address_ranges.h"

#include <algorithm>
#include <iterator>

// Inserts in order and merges with every range it overlaps or touches, so the set stays
// canonical: two sets with the same addresses hold the same ranges.
void CAddressSet::Add(std::uint64_t begin, std::uint64_t end) {
    if (begin >= end) {
        return;
    }
    auto first = std::lower_bound(
        m_ranges.begin(), m_ranges.end(), begin,
        [](const AddressRange& range, std::uint64_t value) { return range.end < value; });
    auto last = first;
    while (last != m_ranges.end() && last->begin <= end) {
        begin = std::min(begin, last->begin);
        end = std::max(end, last->end);
        ++last;
    }
    first = m_ranges.erase(first, last);
    m_ranges.insert(first, AddressRange{begin, end});
}

CAddressSet CAddressSet::FromRanges(std::vector<AddressRange> ranges) {
    std::sort(ranges.begin(), ranges.end(),
              [](const AddressRange& a, const AddressRange& b) { return a.begin < b.begin; });
    CAddressSet set;
    for (const AddressRange& range : ranges) {
        if (range.begin >= range.end) {
            continue;
        }
        if (!set.m_ranges.empty() && range.begin <= set.m_ranges.back().end) {
            set.m_ranges.back().end = std::max(set.m_ranges.back().end, range.end);
        } else {
            set.m_ranges.push_back(range);
        }
    }
    return set;
}

void CAddressSet::Add(const CAddressSet& other) {
    for (const AddressRange& range : other.m_ranges) {
        Add(range.begin, range.end);
    }
}

CAddressSet CAddressSet::Minus(const CAddressSet& other) const {
    CAddressSet result;
    auto cut = other.m_ranges.begin();
    for (const AddressRange& range : m_ranges) {
        std::uint64_t begin = range.begin;
        while (cut != other.m_ranges.end() && cut->end <= begin) {
            ++cut;
        }
        for (auto c = cut; c != other.m_ranges.end() && c->begin < range.end; ++c) {
            if (c->begin > begin) {
                result.m_ranges.push_back({begin, c->begin});
            }
            begin = std::max(begin, c->end);
        }
        if (begin < range.end) {
            result.m_ranges.push_back({begin, range.end});
        }
    }
    return result;
}

CAddressSet CAddressSet::Intersect(const CAddressSet& other) const {
    return Minus(Minus(other));
}

bool CAddressSet::Contains(std::uint64_t address) const {
    const auto after = std::upper_bound(
        m_ranges.begin(), m_ranges.end(), address,
        [](std::uint64_t a, const AddressRange& range) { return a < range.begin; });
    return after != m_ranges.begin() && address < std::prev(after)->end;
}

std::uint64_t CAddressSet::Size() const {
    std::uint64_t size = 0;
    for (const AddressRange& range : m_ranges) {
        size += range.end - range.begin;
    }
    return size;
}
