#pragma once

// How the complete tally keeps a map's records until the map's end, where a record's class comes
// from the TOTAL section after the table: sixteen bytes each.

#include <cstdint>
#include <vector>

// A record of the per-object table or of the TOTAL section. The reader reads addresses and
// lengths of 32 bits; larger ones (only a listing made elsewhere can hold them), and a record's
// space when a map has more than 65,535 of them, are kept aside (see CRecordPlaces).
struct TallyRecord {
    std::uint32_t link;
    std::uint32_t length;
    std::uint32_t name;
    std::uint16_t space;  // of a record: its number among the spaces met
    // Of a record, bits 0-1: its memory when a class holds it; bits 2-3 when none does. Once
    // classified, bits 0-1 are its memory. Of a class total, bits 0-1: its memory; bits 2-3: its
    // memory if its length is in bits.
    std::uint8_t kinds;
    std::uint8_t flags;  // kWidePlace and the tally's own
};
static_assert(sizeof(TallyRecord) == 16, "records are kept in 16 bytes");

// The flag of a record whose place is kept aside.
inline constexpr std::uint8_t kWidePlace = 1;

// The link addresses, lengths and spaces of the records.
class CRecordPlaces {
public:
    // Sets the record's place, and its flags to kWidePlace or none.
    void Set(TallyRecord& record, std::uint64_t link, std::uint64_t length, std::uint32_t space) {
        record.flags = 0;
        if (link > UINT32_MAX || length > UINT32_MAX || space >= UINT16_MAX) {
            record.flags = kWidePlace;
            record.link = static_cast<std::uint32_t>(m_wide.size());
            record.length = 0;
            record.space = 0;
            m_wide.push_back({link, length, space});
            return;
        }
        record.link = static_cast<std::uint32_t>(link);
        record.length = static_cast<std::uint32_t>(length);
        record.space = static_cast<std::uint16_t>(space);
    }

    std::uint64_t Link(const TallyRecord& record) const {
        return (record.flags & kWidePlace) != 0 ? m_wide[record.link].link : record.link;
    }

    std::uint64_t Length(const TallyRecord& record) const {
        return (record.flags & kWidePlace) != 0 ? m_wide[record.link].length : record.length;
    }

    std::uint32_t Space(const TallyRecord& record) const {
        return (record.flags & kWidePlace) != 0 ? m_wide[record.link].space : record.space;
    }

private:
    struct WidePlace {
        std::uint64_t link;
        std::uint64_t length;
        std::uint32_t space;
    };

    std::vector<WidePlace> m_wide;
};
