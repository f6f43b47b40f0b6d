#pragma once

// The class totals of a map grouped by name, for finding the one whose address range holds a
// record of the per-object table.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/block_list.h"
#include "core/large_pages.h"
#include "core/name_index.h"
#include "readers/hlink/tally_records.h"

class CTotalIndex {
public:
    static constexpr std::uint32_t kNone = CNameIndex::kNone;

    // Groups the totals by `key(total)`, a number below `groups` (kNone: in no group), each group
    // in order of address, equal addresses in file order.
    template <typename Key>
    void Build(const CBlockList<TallyRecord>& totals, const CRecordPlaces& places,
               std::size_t groups, Key&& key) {
        m_start.assign(groups + 1, 0);
        for (const TallyRecord& total : totals) {
            const std::uint32_t group = key(total);
            if (group != kNone) {
                ++m_start[group + 1];
            }
        }
        for (std::size_t i = 0; i < groups; ++i) {
            m_start[i + 1] += m_start[i];
        }
        m_refs.resize(m_start[groups]);
        m_cursor.assign(m_start.begin(), m_start.end() - 1);
        for (std::uint32_t i = 0; i < totals.size(); ++i) {
            const std::uint32_t group = key(totals[i]);
            if (group != kNone) {
                m_refs[m_cursor[group]++] = i;
            }
        }
        const auto byAddress = [&](std::uint32_t a, std::uint32_t b) {
            return places.Link(totals[a]) < places.Link(totals[b]);
        };
        for (std::size_t group = 0; group < groups; ++group) {
            const auto begin = m_refs.begin() + m_start[group];
            const auto end = m_refs.begin() + m_start[group + 1];
            if (!std::is_sorted(begin, end, byAddress)) {
                std::stable_sort(begin, end, byAddress);
            }
        }
        m_cursor.assign(m_start.begin(), m_start.end() - 1);
    }

    // The total of the group with the highest address at or below `address`, if it holds it;
    // kNone otherwise. The records of a name mostly come in rising order of address, so the
    // search starts where the last one of the group ended.
    std::uint32_t Holder(const CBlockList<TallyRecord>& totals, const CRecordPlaces& places,
                         std::uint32_t group, std::uint64_t address);

private:
    std::vector<std::uint32_t, CLargePageAllocator<std::uint32_t>> m_refs;  // one per total
    std::vector<std::uint32_t> m_start;   // per group: its first ref; one more at the end
    std::vector<std::uint32_t> m_cursor;  // per group: where the last search ended
};
