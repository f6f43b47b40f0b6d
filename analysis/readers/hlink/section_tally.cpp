#include "readers/hlink/section_tally.h"

#include <algorithm>
#include <iterator>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "core/block_list.h"
#include "core/name_index.h"
#include "core/register_note.h"
#include "core/labelled_rows.h"
#include "readers/hlink/class_regions.h"
#include "readers/hlink/section_classes.h"
#include "readers/hlink/tally_checks.h"
#include "readers/hlink/tally_records.h"
#include "readers/hlink/total_index.h"
#include "text/numbers.h"

namespace {

constexpr std::uint32_t kNone = CNameIndex::kNone;

// The complete tally, fed the map's objects, records and class totals as they are read. Each
// record and class total is kept in 16 bytes until the map is read to its end (a record's class
// comes from the TOTAL section after the table): names as numbers, the object and the class as
// runs over the list, what decides its memory worked out at once. Finish then classifies them
// all, finds the overlays and makes the rows.
class CSectionTally final : public CListingSink {
public:
    // `mapBytes`: the size of the map, where it is known, to make room for its rows at once.
    explicit CSectionTally(TallyDetail detail, std::size_t mapBytes = 0)
        : m_detail(detail), m_names(m_tally.names) {
        m_tally.rule = SectionRule::kAll;
        m_tally.ReserveFor(mapBytes);
        // The lists of records and class totals are longer than the rows: nearly every object
        // has a record or more, each with its class total.
        const std::size_t objects = LikelyRowsAtMost(mapBytes);
        m_pieces.Expect(objects);
        m_objectRuns.Expect(objects);
        m_totals.Expect(objects);
    }

    void AddObject(std::string_view name) override { m_tally.AddRow(name, RowKind::kObject); }

    void AddRecord(const SectionRecord& record) override {
        const std::uint32_t object =
            record.object < 0 || record.common ? kNone : static_cast<std::uint32_t>(record.object);
        if (m_objectRuns.empty() || m_objectRuns.back().owner != object) {
            m_objectRuns.push_back({static_cast<std::uint32_t>(m_pieces.size()), object});
        }
        Piece piece;
        piece.name = NameId(record.name);
        m_places.Set(piece, record.link, record.length, SpaceId(record.space));
        const bool bits = IsBitSection(record.link, record.load, record.scale, record.space);
        const std::uint64_t address = bits ? record.link / 8 : record.link;
        NameInfo& info = m_nameInfo[piece.name];
        const MemoryKind held = SectionMemory(true, false, false, address, record.space);
        const MemoryKind free = SectionMemory(false, false, info.otherName, address, record.space);
        piece.kinds = static_cast<std::uint8_t>(static_cast<unsigned>(held) |
                                                static_cast<unsigned>(free) << 2);
        piece.flags |=
            static_cast<std::uint8_t>((bits ? kBits : 0) | (record.common ? kCommon : 0));

        info.hasRecord = true;
        if (info.prefix != kNone) {
            m_nameInfo[info.prefix].startsLongerRecord = true;
        }
        if (object != kNone && record.length != 0) {
            // Overlays need sorting only among the records of a name whose addresses do not
            // rise from record to record in one space.
            const std::uint32_t space = m_places.Space(piece);
            if (!info.hasCandidate) {
                info.hasCandidate = true;
                info.candidateSpace = space;
            } else if (info.candidateSpace != space || record.link <= info.lastLink) {
                info.unordered = true;
                m_anyUnordered = true;
            }
            info.lastLink = record.link;
        }
        m_pieces.push_back(piece);
    }

    void AddTotal(const TotalRecord& total) override {
        if (m_classRuns.empty() || total.className != m_lastClassName) {
            m_classRuns.push_back(
                {static_cast<std::uint32_t>(m_totals.size()), NameId(total.className)});
            m_lastClassName = total.className;
            m_lastClassMemory = ClassMemoryOf(total.className);
        }
        const ClassMemory memory = m_lastClassMemory;
        Total entry;
        entry.name = NameId(total.name);
        m_places.Set(entry, total.link, total.length, 0);
        // The record's space, or the one its class implies: 0 for program memory, 1 for data.
        // A record without one in a class of unknown memory has no kind; one of class CONFIG,
        // IDLOC or EEDATA is other memory whatever its space.
        const bool dataClass = memory == ClassMemory::kData || memory == ClassMemory::kAbsoluteData;
        const std::int64_t space = total.hasSpace ? total.space : (dataClass ? 1 : 0);
        const bool hasKind = total.hasSpace || memory != ClassMemory::kUnknown;
        const bool hasClass = !total.className.empty();
        const bool otherClass = memory == ClassMemory::kOther;
        const bool otherName = m_nameInfo[entry.name].otherName;
        const MemoryKind plain = SectionMemory(hasClass, otherClass, otherName, total.link, space);
        const MemoryKind bits =
            SectionMemory(hasClass, otherClass, otherName, total.link / 8, space);
        entry.kinds = static_cast<std::uint8_t>(static_cast<unsigned>(plain) |
                                                static_cast<unsigned>(bits) << 2);
        entry.flags |= static_cast<std::uint8_t>(
            (hasKind ? kHasKind : 0) |
            (IsBitSection(total.link, total.load, 0, space) ? kBitsByAddress : 0) |
            (hasClass ? 0 : kNoClass) | (otherClass ? kOtherClass : 0));
        m_totals.push_back(entry);
    }

    SizeTable Finish(const MapListing& listing) {
        IndexTotals();
        ClassifyPieces();
        FindOverlays();
        CLabelledRows special;
        const std::size_t firstSpecial = m_tally.rows.size();
        const RegisterRanges registers = RegistersOf(listing);
        std::uint64_t registerBytes = 0;
        ForEachCounted([&](std::uint32_t object, auto&& label, std::uint32_t name,
                           std::uint64_t address, MemoryKind kind, std::uint64_t bytes) {
            if (kind == MemoryKind::kRam) {
                const std::uint64_t left = BytesIn(registers.set, address, bytes);
                bytes -= left;
                registerBytes += left;
            }
            if (object == kNone) {
                const std::size_t place = special.Row(label());
                AddPiece(special.Sums(place), static_cast<std::uint32_t>(firstSpecial + place),
                         name, address, kind, bytes);
                return;
            }
            SizeRow& row = m_tally.rows[object];
            MemoryTotals sums{row.rom, row.ram, row.other};
            AddPiece(sums, row.id, name, address, kind, bytes);
            row.rom = sums.rom;
            row.ram = sums.ram;
            row.other = sums.other;
        });
        special.AddTo(m_tally);
        const MemoryTotals totals = TotalsOf(m_tally);
        MapFacts& facts = m_tally.facts;
        DescribeMapDevice(listing, facts);
        facts.checks.push_back(CheckTotalSection(listing, registers.set, totals));
        MapCheck occupancy = CheckOccupancy(listing, registers.set, totals);
        if (occupancy.possible && !occupancy.agrees) {
            std::vector<PlacedPiece> placed;
            ForEachCounted([&](std::uint32_t, auto&&, std::uint32_t name, std::uint64_t address,
                               MemoryKind kind, std::uint64_t bytes) {
                if (kind == MemoryKind::kRam) {
                    bytes -= BytesIn(registers.set, address, bytes);
                }
                placed.push_back({m_names.Name(name), kind, address, bytes});
            });
            ExplainOverlaps(std::move(placed), occupancy, facts.notes);
        }
        facts.checks.push_back(std::move(occupancy));
        if (listing.cutShort) {
            facts.checks.push_back(CutShortCheck(TableToTheEndText(listing.lastLine)));
        }
        if (listing.secondMapLine != 0) {
            facts.checks.push_back(SecondMapCheck(listing.secondMapLine, listing.secondTable));
        }
        if (registerBytes != 0) {
            facts.notes.push_back(RegistersLeftOutNote(registerBytes, registers.source));
        }
        if (m_detail == TallyDetail::kRowsAndParts) {
            m_tally.regions = ClassRegions(listing, m_tally.parts);
        }
        return std::move(m_tally);
    }

private:
    // Besides kWidePlace (1):
    enum Flag : std::uint8_t {
        // Of a record:
        kBits = 2,      // its length is in bits
        kCommon = 4,    // it is in the COMMON block
        kOverlaid = 8,  // it shares its memory with records of other objects
        // Of a class total:
        kHasKind = 2,        // its memory is known
        kBitsByAddress = 4,  // its addresses say its length is in bits
        kHasBitRecord = 8,   // it holds a bit section of the table
        kNoClass = 16,       // it stands before the first CLASS line
        kOtherClass = 32,    // its class is CONFIG, IDLOC or EEDATA
    };

    using Piece = TallyRecord;
    using Total = TallyRecord;

    // The object that owns the records from `first` on (kNone: COMMON, or before any object),
    // or the class of the totals from `first` on.
    struct Run {
        std::uint32_t first;
        std::uint32_t owner;
    };

    std::uint32_t ClassOf(std::size_t total) const {
        return std::prev(std::upper_bound(m_classRuns.begin(), m_classRuns.end(), total,
                                          [](std::size_t i, const Run& r) { return i < r.first; }))
            ->owner;
    }

    struct NameInfo {
        std::uint32_t prefix = kNone;  // the name's first 9 characters, when it is longer
        bool otherName = false;        // config..., idloc..., eeprom...
        bool hasRecord = false;
        bool startsLongerRecord = false;  // the first 9 characters of a longer record name
        // The records that can overlay: their space, the last address, and whether the
        // addresses failed to rise in one space.
        bool hasCandidate = false;
        bool unordered = false;
        std::uint32_t candidateSpace = 0;
        std::uint64_t lastLink = 0;
    };

    struct Overlay {
        std::size_t first;
        std::uint64_t largest;
    };

    std::uint32_t NameId(std::string_view name) {
        const std::uint32_t id = m_names.Id(name);
        if (id == m_nameInfo.size()) {
            NameInfo info;
            info.otherName = IsOtherSectionName(name);
            m_nameInfo.push_back(info);
            if (name.size() > kCutNameLength) {
                const std::uint32_t prefix = NameId(name.substr(0, kCutNameLength));
                m_nameInfo[id].prefix = prefix;
            }
        }
        return id;
    }

    // Spaces 0 to 15 (those of real maps) from a small table, any other from a hash map.
    std::uint32_t SpaceId(std::int64_t space) {
        if (space >= 0 && space < kSmallSpaces && m_smallSpaces[space] != kNone) {
            return m_smallSpaces[space];
        }
        const auto found = m_spaceIds.emplace(space, static_cast<std::uint32_t>(m_spaceIds.size()));
        if (space >= 0 && space < kSmallSpaces) {
            m_smallSpaces[space] = found.first->second;
        }
        return found.first->second;
    }

    // Groups the class totals by name (and those longer than 9 characters by their first 9).
    void IndexTotals() {
        const std::size_t names = m_nameInfo.size();
        m_byName.Build(m_totals, m_places, names, [](const Total& total) { return total.name; });
        m_byCutName.Build(m_totals, m_places, names,
                          [this](const Total& total) { return m_nameInfo[total.name].prefix; });
    }

    // The class total of the same name (or of the name cut to 9 characters, or of the whole
    // name when the record's is cut) whose range holds the record's link address.
    std::uint32_t ClassRecordOf(const Piece& piece) {
        const std::uint64_t link = m_places.Link(piece);
        std::uint32_t found = m_byName.Holder(m_totals, m_places, piece.name, link);
        const std::size_t length = m_names.Name(piece.name).size();
        if (found == kNone && length == kCutNameLength) {
            found = m_byCutName.Holder(m_totals, m_places, piece.name, link);
        }
        if (found == kNone && length > kCutNameLength) {
            found = m_byName.Holder(m_totals, m_places, m_nameInfo[piece.name].prefix, link);
        }
        return found;
    }

    // Gives every record its memory from the class holding it, and marks the class totals that
    // hold a bit section.
    void ClassifyPieces() {
        for (Piece& piece : m_pieces) {
            const std::uint32_t holder = ClassRecordOf(piece);
            unsigned kind = (piece.kinds >> 2) & 3u;
            if (holder != kNone) {
                Total& total = m_totals[holder];
                if ((total.flags & kNoClass) == 0) {
                    kind = (total.flags & kOtherClass) != 0
                               ? static_cast<unsigned>(MemoryKind::kOther)
                               : piece.kinds & 3u;
                }
                if ((piece.flags & kBits) != 0) {
                    total.flags |= kHasBitRecord;
                }
            }
            piece.kinds = static_cast<std::uint8_t>(kind);
        }
    }

    // Records with the same space, name and link address in two or more objects share their
    // memory: the group is counted once. Only the records of names whose addresses do not rise
    // from record to record can share; those are sorted to find the groups.
    void FindOverlays() {
        if (!m_anyUnordered) {
            return;
        }
        struct Candidate {
            std::uint32_t space;
            std::uint32_t name;
            std::uint64_t link;
            std::uint32_t index;
            std::uint32_t object;
            bool operator<(const Candidate& b) const {
                return std::tie(space, name, link, index) <
                       std::tie(b.space, b.name, b.link, b.index);
            }
        };
        std::vector<Candidate> candidates;
        std::size_t run = 0;
        for (std::uint32_t i = 0; i < m_pieces.size(); ++i) {
            while (run + 1 < m_objectRuns.size() && m_objectRuns[run + 1].first <= i) {
                ++run;
            }
            const Piece& piece = m_pieces[i];
            const std::uint32_t object = m_objectRuns[run].owner;
            if (object != kNone && m_places.Length(piece) != 0 &&
                m_nameInfo[piece.name].unordered) {
                candidates.push_back(
                    {m_places.Space(piece), piece.name, m_places.Link(piece), i, object});
            }
        }
        std::sort(candidates.begin(), candidates.end());
        for (std::size_t from = 0; from < candidates.size();) {
            const Candidate& first = candidates[from];
            std::size_t to = from + 1;
            bool shared = false;
            for (; to < candidates.size(); ++to) {
                const Candidate& other = candidates[to];
                if (other.space != first.space || other.name != first.name ||
                    other.link != first.link) {
                    break;
                }
                shared = shared || other.object != first.object;
            }
            if (shared) {
                Overlay overlay{first.index, 0};
                for (std::size_t k = from; k < to; ++k) {
                    Piece& member = m_pieces[candidates[k].index];
                    member.flags |= kOverlaid;
                    overlay.largest = std::max(overlay.largest, BytesOf(member));
                }
                m_overlays.push_back(overlay);
            }
            from = to;
        }
        std::sort(m_overlays.begin(), m_overlays.end(),
                  [](const Overlay& a, const Overlay& b) { return a.first < b.first; });
    }

    // Visits every counted piece once, in file order: each record of the table not overlaid,
    // then each overlay group at its largest length, then each class total that no record
    // stands for: visit(object, label, name, address, kind, bytes), where object is kNone for
    // a special row, whose label label() makes.
    template <typename Visit>
    void ForEachCounted(Visit&& visit) {
        std::size_t run = 0;
        for (std::size_t i = 0; i < m_pieces.size(); ++i) {
            while (run + 1 < m_objectRuns.size() && m_objectRuns[run + 1].first <= i) {
                ++run;
            }
            const Piece& piece = m_pieces[i];
            if ((piece.flags & kOverlaid) == 0) {
                visit(
                    m_objectRuns[run].owner,
                    [&] {
                        return (piece.flags & kCommon) != 0
                                   ? "<COMMON " + std::string(m_names.Name(piece.name)) + ">"
                                   : std::string("<no object>");
                    },
                    piece.name, ByteAddress(piece), KindOf(piece), BytesOf(piece));
            }
        }
        for (const Overlay& overlay : m_overlays) {
            const Piece& first = m_pieces[overlay.first];
            visit(
                kNone,
                [&] {
                    return "<overlaid " + std::string(m_names.Name(first.name)) + "@" +
                           HexText(m_places.Link(first)) + ">";
                },
                first.name, ByteAddress(first), KindOf(first), overlay.largest);
        }
        for (std::size_t i = 0; i < m_totals.size(); ++i) {
            const Total& total = m_totals[i];
            if (HasTableRecord(total)) {
                continue;
            }
            const MemoryKind kind =
                (total.flags & kHasKind) != 0 ? TotalKind(total) : MemoryKind::kOther;
            visit(
                kNone,
                [&] {
                    const std::string_view className = m_names.Name(ClassOf(i));
                    const std::string name(m_names.Name(total.name));
                    return "<" + (className.empty() ? name : std::string(className) + " " + name) +
                           ">";
                },
                total.name, TotalBits(total) ? m_places.Link(total) / 8 : m_places.Link(total),
                kind, TotalBytes(total));
        }
    }

    static MemoryKind KindOf(const Piece& piece) {
        return static_cast<MemoryKind>(piece.kinds & 3u);
    }

    std::uint64_t ByteAddress(const Piece& piece) const {
        return (piece.flags & kBits) != 0 ? m_places.Link(piece) / 8 : m_places.Link(piece);
    }

    std::uint64_t BytesOf(const Piece& piece) const {
        return SectionBytes(m_places.Length(piece), (piece.flags & kBits) != 0);
    }

    // The class totals list a bit section with the addresses and length in bits; a Scale, which
    // they lack, is taken from the section's records in the table.
    static bool TotalBits(const Total& total) {
        return (total.flags & (kBitsByAddress | kHasBitRecord)) != 0;
    }

    std::uint64_t TotalBytes(const Total& total) const {
        return SectionBytes(m_places.Length(total), TotalBits(total));
    }

    static MemoryKind TotalKind(const Total& total) {
        return static_cast<MemoryKind>(TotalBits(total) ? (total.kinds >> 2) & 3u
                                                        : total.kinds & 3u);
    }

    bool HasTableRecord(const Total& total) const {
        const NameInfo& info = m_nameInfo[total.name];
        const std::size_t length = m_names.Name(total.name).size();
        return info.hasRecord || (length == kCutNameLength && info.startsLongerRecord) ||
               (length > kCutNameLength && m_nameInfo[info.prefix].hasRecord);
    }

    // The TOTAL section's records summed by their memory, as the tally classified them.
    MapCheck CheckTotalSection(const MapListing& listing, const CAddressSet& registers,
                               const MemoryTotals& report) const {
        if (!listing.hasTotalSection) {
            return TotalSectionCheck("the map has no TOTAL section", {}, report);
        }
        MemoryTotals sums;
        for (std::size_t i = 0; i < m_totals.size(); ++i) {
            const Total& total = m_totals[i];
            if ((total.flags & kHasKind) == 0) {
                return TotalSectionCheck("the TOTAL section gives no memory space for " +
                                             std::string(m_names.Name(total.name)) + " (class " +
                                             std::string(m_names.Name(ClassOf(i))) + ")",
                                         {}, report);
            }
            const MemoryKind kind = TotalKind(total);
            std::uint64_t bytes = TotalBytes(total);
            if (kind == MemoryKind::kRam) {
                bytes -= BytesIn(registers,
                                 TotalBits(total) ? m_places.Link(total) / 8 : m_places.Link(total),
                                 bytes);
            }
            AddBytes(sums, kind, static_cast<std::int64_t>(bytes));
        }
        return TotalSectionCheck("", sums, report);
    }

    // Adds a counted piece to its row's sums and, when parts are kept, to the table's parts.
    void AddPiece(MemoryTotals& sums, std::uint32_t rowId, std::uint32_t name,
                  std::uint64_t address, MemoryKind kind, std::uint64_t bytes) {
        const auto amount = static_cast<std::int64_t>(bytes);
        AddBytes(sums, kind, amount);
        if (amount != 0 && m_detail == TallyDetail::kRowsAndParts) {
            m_tally.parts.push_back({rowId, m_names.Name(name), kind, address, amount});
        }
    }

    static constexpr std::int64_t kSmallSpaces = 16;

    TallyDetail m_detail;
    SizeTable m_tally;
    CNameIndex m_names;
    std::vector<NameInfo> m_nameInfo;
    std::uint32_t m_smallSpaces[kSmallSpaces] = {kNone, kNone, kNone, kNone, kNone, kNone,
                                                 kNone, kNone, kNone, kNone, kNone, kNone,
                                                 kNone, kNone, kNone, kNone};
    std::unordered_map<std::int64_t, std::uint32_t> m_spaceIds;
    CBlockList<Piece> m_pieces;
    CBlockList<Run> m_objectRuns;
    CBlockList<Total> m_totals;
    std::vector<Run> m_classRuns;
    std::string m_lastClassName;
    ClassMemory m_lastClassMemory = ClassMemory::kUnknown;  // of m_lastClassName
    CRecordPlaces m_places;
    CTotalIndex m_byName;
    CTotalIndex m_byCutName;          // the totals longer than 9 characters, by their first 9
    std::vector<Overlay> m_overlays;  // in file order of their first record
    bool m_anyUnordered = false;      // whether any name's records can overlay
};

}  // namespace

SizeTable TallySections(const MapListing& listing) {
    CSectionTally tally(TallyDetail::kRowsAndParts);
    for (const std::string& object : listing.objects) {
        tally.AddObject(object);
    }
    for (const SectionRecord& record : listing.records) {
        tally.AddRecord(record);
    }
    for (const TotalRecord& total : listing.totals) {
        tally.AddTotal(total);
    }
    return tally.Finish(listing);
}

SizeTable TallySections(std::string_view bytes, const std::string& fileName, TallyDetail detail) {
    CSectionTally tally(detail);
    MapListing listing;
    ReadMapListing(bytes, fileName, listing, tally);
    return tally.Finish(listing);
}

SizeTable TallySections(CMapFile& file, TallyDetail detail) {
    CSectionTally tally(detail, file.SizeLeft());
    MapListing listing;
    ReadMapListing(file, listing, tally);
    return tally.Finish(listing);
}
