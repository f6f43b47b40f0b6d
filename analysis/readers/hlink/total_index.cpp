#include "readers/hlink/total_index.h"

std::uint32_t CTotalIndex::Holder(const CBlockList<TallyRecord>& totals,
                                  const CRecordPlaces& places, std::uint32_t group,
                                  std::uint64_t address) {
    const std::uint32_t begin = m_start[group];
    const std::uint32_t end = m_start[group + 1];
    if (begin == end) {
        return kNone;
    }
    const auto& refs = m_refs;
    const auto linkAt = [&](std::uint32_t ref) { return places.Link(totals[refs[ref]]); };
    const auto above = [&](std::uint64_t value, std::uint32_t total) {
        return value < places.Link(totals[total]);
    };
    std::uint32_t next = m_cursor[group];  // the first ref above the last address
    if (next > begin && linkAt(next - 1) > address) {
        next = static_cast<std::uint32_t>(
            std::upper_bound(refs.begin() + begin, refs.begin() + next, address, above) -
            refs.begin());
    } else {
        for (int step = 0; next < end && linkAt(next) <= address; ++step, ++next) {
            if (step == 8) {
                next = static_cast<std::uint32_t>(
                    std::upper_bound(refs.begin() + next, refs.begin() + end, address, above) -
                    refs.begin());
                break;
            }
        }
    }
    m_cursor[group] = next;
    if (next == begin) {
        return kNone;
    }
    const std::uint32_t found = refs[next - 1];
    const TallyRecord& total = totals[found];
    const std::uint64_t link = places.Link(total);
    const bool holds = address == link || (address > link && address - link < places.Length(total));
    return holds ? found : kNone;
}
