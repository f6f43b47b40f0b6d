#include "section_tally.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>
#include <utility>

#include "address_ranges.h"

namespace {

// Data memory starts at 0x200000 in space 0 of a PIC18 map: ID locations, configuration words
// and EEPROM data live there, never program code.
constexpr std::uint64_t kSpecialAddressStart = 0x200000;

// Some compilers cut section names to this many characters in the per-object table.
constexpr std::size_t kCutLength = 9;

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool IsBankClass(std::string_view name) {
    if (!StartsWith(name, "BANK") || name.size() == 4) {
        return false;
    }
    for (char c : name.substr(4)) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

std::string HexText(std::uint64_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value % 16]);
        value /= 16;
    } while (value != 0);
    return text;
}

bool HoldsAddress(const TotalRecord& total, std::uint64_t address) {
    return address == total.link || (address > total.link && address - total.link < total.length);
}

struct MemorySets {
    CAddressSet program;
    CAddressSet data;
};

// The addresses of the program-memory and of the data classes among the ranges.
MemorySets SetsOfClasses(const std::vector<ClassRange>& ranges) {
    std::vector<AddressRange> program;
    std::vector<AddressRange> data;
    for (const ClassRange& range : ranges) {
        const ClassMemory memory = ClassMemoryOf(range.className);
        if (memory == ClassMemory::kProgram) {
            program.push_back({range.begin, range.end});
        } else if (memory == ClassMemory::kData) {
            data.push_back({range.begin, range.end});
        }
    }
    return MemorySets{CAddressSet::FromRanges(std::move(program)),
                      CAddressSet::FromRanges(std::move(data))};
}

// Rows that belong to no object: COMMON blocks, overlays, class totals. Rows of the same name
// are one row; they follow the objects, in the order they are first met.
class CSpecialRows {
public:
    explicit CSpecialRows(std::size_t firstId) : m_firstId(firstId) {}

    // The id the row of that name has once the rows are added to the table.
    std::uint32_t Row(const std::string& name) {
        const auto found = m_index.emplace(name, m_names.size());
        if (found.second) {
            m_names.push_back(name);
            m_totals.emplace_back();
        }
        m_current = found.first->second;
        return static_cast<std::uint32_t>(m_firstId + m_current);
    }
    MemoryTotals& Totals() { return m_totals[m_current]; }

    void AddTo(SizeTable& table) const {
        for (std::size_t i = 0; i < m_names.size(); ++i) {
            SizeRow& row = table.AddRow(m_names[i], RowKind::kSpecial);
            row.rom = m_totals[i].rom;
            row.ram = m_totals[i].ram;
            row.other = m_totals[i].other;
        }
    }

private:
    std::size_t m_firstId;
    std::size_t m_current = 0;
    std::vector<std::string> m_names;
    std::vector<MemoryTotals> m_totals;
    std::map<std::string, std::size_t> m_index;
};

class CTallyBuilder {
    using NameIndex = std::map<std::string_view, std::vector<std::size_t>>;

public:
    explicit CTallyBuilder(const MapListing& listing) : m_listing(listing) {}

    SizeTable Build() {
        IndexTotals();
        FindOverlays();
        SizeTable tally;
        tally.rule = SectionRule::kAll;
        tally.rows.reserve(m_listing.objects.size());
        for (const std::string& object : m_listing.objects) {
            tally.AddRow(object, RowKind::kObject);
        }
        CSpecialRows special(m_listing.objects.size());
        for (std::size_t i = 0; i < m_listing.records.size(); ++i) {
            if (m_overlayOf[i] >= 0) {
                continue;
            }
            const SectionRecord& record = m_listing.records[i];
            if (record.common || record.object < 0) {
                const std::uint32_t id =
                    special.Row(record.common ? "<COMMON " + record.name + ">" : "<no object>");
                AddPiece(tally, special.Totals(), id, record.name, ByteAddress(record),
                         KindOf(record), BytesOf(record));
            } else {
                SizeRow& row = tally.rows[static_cast<std::size_t>(record.object)];
                MemoryTotals sums{row.rom, row.ram, row.other};
                AddPiece(tally, sums, row.id, record.name, ByteAddress(record), KindOf(record),
                         BytesOf(record));
                row.rom = sums.rom;
                row.ram = sums.ram;
                row.other = sums.other;
            }
        }
        for (const std::vector<std::size_t>& members : m_overlays) {
            const SectionRecord& first = m_listing.records[members.front()];
            std::uint64_t largest = 0;
            for (std::size_t i : members) {
                largest = std::max(largest, BytesOf(m_listing.records[i]));
            }
            const std::uint32_t id =
                special.Row("<overlaid " + first.name + "@" + HexText(first.link) + ">");
            AddPiece(tally, special.Totals(), id, first.name, ByteAddress(first), KindOf(first),
                     largest);
        }
        for (const TotalRecord& total : m_listing.totals) {
            if (!HasTableRecord(total)) {
                const std::string label =
                    total.className.empty() ? total.name : total.className + " " + total.name;
                MemoryKind kind = MemoryKind::kOther;
                KindOf(total, kind);
                const std::uint32_t id = special.Row("<" + label + ">");
                AddPiece(tally, special.Totals(), id, total.name,
                         Bits(total) ? total.link / 8 : total.link, kind, BytesOf(total));
            }
        }
        special.AddTo(tally);
        const MemoryTotals totals = TotalsOf(tally);
        DescribeMapDevice(m_listing, tally.facts);
        tally.facts.checks.push_back(CheckTotalSection(totals));
        tally.facts.checks.push_back(CheckOccupancy(totals));
        return tally;
    }

private:
    // Records with the same space, name and link address in two or more objects share their
    // memory: the group is counted once.
    void FindOverlays() {
        m_overlayOf.assign(m_listing.records.size(), -1);
        std::map<std::tuple<std::int64_t, std::string, std::uint64_t>, std::vector<std::size_t>>
            groups;
        std::vector<const std::vector<std::size_t>*> order;
        for (std::size_t i = 0; i < m_listing.records.size(); ++i) {
            const SectionRecord& record = m_listing.records[i];
            if (record.common || record.object < 0 || record.length == 0) {
                continue;
            }
            auto& members = groups[{record.space, record.name, record.link}];
            if (members.empty()) {
                order.push_back(&members);
            }
            members.push_back(i);
        }
        for (const std::vector<std::size_t>* members : order) {
            const int object = m_listing.records[members->front()].object;
            const bool shared = std::any_of(members->begin(), members->end(), [&](std::size_t i) {
                return m_listing.records[i].object != object;
            });
            if (!shared) {
                continue;
            }
            for (std::size_t i : *members) {
                m_overlayOf[i] = static_cast<int>(m_overlays.size());
            }
            m_overlays.push_back(*members);
        }
    }

    bool Bits(const SectionRecord& record) const {
        return IsBitSection(record.link, record.load, record.scale, record.space);
    }

    std::uint64_t BytesOf(const SectionRecord& record) const {
        return SectionBytes(record.length, Bits(record));
    }

    // The class totals list a bit section with the addresses and length in bits; a Scale, which
    // they lack, is taken from the section's records in the table.
    bool Bits(const TotalRecord& total) const {
        return IsBitSection(total.link, total.load, 0, SpaceOf(total)) ||
               m_totalHasBitRecord[static_cast<std::size_t>(&total - m_listing.totals.data())];
    }

    std::uint64_t BytesOf(const TotalRecord& total) const {
        return SectionBytes(total.length, Bits(total));
    }

    // Sorts the class totals into lookup lists by name, each ordered by address, so that finding
    // the class of every record stays fast on maps of any size.
    void IndexTotals() {
        const std::vector<TotalRecord>& totals = m_listing.totals;
        for (std::size_t i = 0; i < totals.size(); ++i) {
            const std::string_view name = totals[i].name;
            m_totalsByName[name].push_back(i);
            if (name.size() > kCutLength) {
                m_totalsByCutName[name.substr(0, kCutLength)].push_back(i);
            }
        }
        for (auto* index : {&m_totalsByName, &m_totalsByCutName}) {
            for (auto& entry : *index) {
                std::stable_sort(
                    entry.second.begin(), entry.second.end(),
                    [&](std::size_t a, std::size_t b) { return totals[a].link < totals[b].link; });
            }
        }
        for (const SectionRecord& record : m_listing.records) {
            const std::string_view name = record.name;
            m_recordNames.insert(name);
            if (name.size() > kCutLength) {
                m_recordCutNames.insert(name.substr(0, kCutLength));
            }
        }
        m_totalHasBitRecord.assign(totals.size(), false);
        for (const SectionRecord& record : m_listing.records) {
            const TotalRecord* total = Bits(record) ? ClassRecordOf(record) : nullptr;
            if (total != nullptr) {
                m_totalHasBitRecord[static_cast<std::size_t>(total - totals.data())] = true;
            }
        }
    }

    // The record of the list with the highest address at or below `address`, if it holds it.
    const TotalRecord* Holder(const std::vector<std::size_t>& list, std::uint64_t address) const {
        const std::vector<TotalRecord>& totals = m_listing.totals;
        auto next = std::upper_bound(
            list.begin(), list.end(), address,
            [&](std::uint64_t value, std::size_t i) { return value < totals[i].link; });
        if (next == list.begin()) {
            return nullptr;
        }
        const TotalRecord& total = totals[*(next - 1)];
        return HoldsAddress(total, address) ? &total : nullptr;
    }

    const TotalRecord* Holder(const NameIndex& index, std::string_view name,
                              std::uint64_t address) const {
        const auto found = index.find(name);
        return found == index.end() ? nullptr : Holder(found->second, address);
    }

    // The TOTAL record of the same name (or of the name cut to 9 characters, or of the whole
    // name when the record's is cut) whose range holds the record's link address.
    const TotalRecord* ClassRecordOf(const SectionRecord& record) const {
        const std::string_view name = record.name;
        const TotalRecord* found = Holder(m_totalsByName, name, record.link);
        if (found == nullptr && name.size() == kCutLength) {
            found = Holder(m_totalsByCutName, name, record.link);
        }
        if (found == nullptr && name.size() > kCutLength) {
            found = Holder(m_totalsByName, name.substr(0, kCutLength), record.link);
        }
        return found;
    }

    MemoryKind KindOf(const SectionRecord& record) const {
        const TotalRecord* total = ClassRecordOf(record);
        return ClassifySection(total != nullptr ? std::string_view(total->className) : "",
                               record.name, ByteAddress(record), record.space);
    }

    // The record's space, or the one its class implies: 0 for program memory, 1 for data.
    static std::int64_t SpaceOf(const TotalRecord& total) {
        if (total.hasSpace) {
            return total.space;
        }
        const ClassMemory memory = ClassMemoryOf(total.className);
        return memory == ClassMemory::kData || memory == ClassMemory::kAbsoluteData ? 1 : 0;
    }

    // False when the record gives no space and its class does not tell the memory either.
    bool KindOf(const TotalRecord& total, MemoryKind& kind) const {
        std::int64_t space = total.space;
        if (!total.hasSpace) {
            switch (ClassMemoryOf(total.className)) {
                case ClassMemory::kProgram:
                    space = 0;
                    break;
                case ClassMemory::kData:
                case ClassMemory::kAbsoluteData:
                    space = 1;
                    break;
                case ClassMemory::kOther:
                    kind = MemoryKind::kOther;
                    return true;
                case ClassMemory::kUnknown:
                    return false;
            }
        }
        const std::uint64_t address = Bits(total) ? total.link / 8 : total.link;
        kind = ClassifySection(total.className, total.name, address, space);
        return true;
    }

    bool HasTableRecord(const TotalRecord& total) const {
        const std::string_view name = total.name;
        return m_recordNames.count(name) != 0 ||
               (name.size() == kCutLength && m_recordCutNames.count(name) != 0) ||
               (name.size() > kCutLength && m_recordNames.count(name.substr(0, kCutLength)) != 0);
    }

    MapCheck CheckTotalSection(const MemoryTotals& report) const {
        MapCheck check;
        check.label = "TOTAL section";
        check.field = "total_section";
        check.source = "the map's TOTAL section";
        check.report = report;
        if (!m_listing.hasTotalSection) {
            check.reason = "the map has no TOTAL section";
            return check;
        }
        for (const TotalRecord& total : m_listing.totals) {
            MemoryKind kind = MemoryKind::kOther;
            if (!KindOf(total, kind)) {
                check.reason = "the TOTAL section gives no memory space for " + total.name +
                               " (class " + total.className + ")";
                return check;
            }
            AddBytes(check.map, kind, static_cast<std::int64_t>(BytesOf(total)));
        }
        check.possible = true;
        check.agrees = check.map == report;
        return check;
    }

    MapCheck CheckOccupancy(const MemoryTotals& report) const {
        MapCheck check;
        check.label = "Occupancy";
        check.field = "occupancy";
        check.source = "the map's used address ranges";
        check.withOther = false;
        check.report = report;
        const MemorySets ranges = SetsOfClasses(m_listing.classRanges);
        if (ranges.program.Empty() && ranges.data.Empty()) {
            check.reason = "the map has no -A class ranges for program or data memory";
            return check;
        }
        if (!m_listing.hasUnusedSection) {
            check.reason = "the map has no UNUSED ADDRESS RANGES";
            return check;
        }
        const MemorySets unused = SetsOfClasses(m_listing.unusedRanges);
        check.possible = true;
        check.map.rom = static_cast<std::int64_t>(ranges.program.Minus(unused.program).Size());
        check.map.ram = static_cast<std::int64_t>(ranges.data.Minus(unused.data).Size());
        check.agrees = check.map.rom == report.rom && check.map.ram == report.ram;
        return check;
    }

    // Adds a counted piece to its row's sums and to the table's parts.
    static void AddPiece(SizeTable& tally, MemoryTotals& sums, std::uint32_t rowId,
                         const std::string& name, std::uint64_t address, MemoryKind kind,
                         std::uint64_t bytes) {
        const auto amount = static_cast<std::int64_t>(bytes);
        AddBytes(sums, kind, amount);
        if (amount != 0) {
            tally.parts.push_back({rowId, tally.names.Add(name), kind, address, amount});
        }
    }

    std::uint64_t ByteAddress(const SectionRecord& record) const {
        return Bits(record) ? record.link / 8 : record.link;
    }

    const MapListing& m_listing;
    NameIndex m_totalsByName;     // TOTAL records by name, each list ordered by address
    NameIndex m_totalsByCutName;  // TOTAL records longer than 9 characters, by their first 9
    std::set<std::string_view> m_recordNames;
    std::set<std::string_view> m_recordCutNames;
    std::vector<bool> m_totalHasBitRecord;
    std::vector<int> m_overlayOf;  // per record: index into m_overlays, or -1
    std::vector<std::vector<std::size_t>> m_overlays;
};

}  // namespace

ClassMemory ClassMemoryOf(std::string_view name) {
    if (name == "CONFIG" || name == "IDLOC" || name == "EEDATA") {
        return ClassMemory::kOther;
    }
    if (StartsWith(name, "ABS") || EndsWith(name, "SFR")) {
        return ClassMemory::kAbsoluteData;
    }
    if (IsBankClass(name) || EndsWith(name, "RAM")) {
        return ClassMemory::kData;
    }
    if (name == "STRING" || name == "ENTRY" || EndsWith(name, "CODE") || EndsWith(name, "CONST")) {
        return ClassMemory::kProgram;
    }
    return ClassMemory::kUnknown;
}

bool SameSectionName(std::string_view a, std::string_view b) {
    if (a.size() > b.size()) {
        std::swap(a, b);
    }
    return a == b || (a.size() == kCutLength && StartsWith(b, a));
}

MemoryKind ClassifySection(std::string_view className, std::string_view name,
                           std::uint64_t byteAddress, std::int64_t space) {
    if (!className.empty()) {
        if (ClassMemoryOf(className) == ClassMemory::kOther) {
            return MemoryKind::kOther;
        }
    } else if (StartsWith(name, "config") || StartsWith(name, "idloc") ||
               StartsWith(name, "eeprom")) {
        return MemoryKind::kOther;
    }
    if (space == 0) {
        return byteAddress >= kSpecialAddressStart ? MemoryKind::kOther : MemoryKind::kRom;
    }
    return space == 1 ? MemoryKind::kRam : MemoryKind::kOther;
}

bool IsBitSection(std::uint64_t link, std::uint64_t load, std::int64_t scale, std::int64_t space) {
    return scale == 8 || (space != 0 && load != 0 && load <= (UINT64_MAX / 8) && link == load * 8);
}

std::uint64_t SectionBytes(std::uint64_t length, bool bits) {
    return bits ? length / 8 + (length % 8 != 0 ? 1 : 0) : length;
}

SizeTable TallySections(const MapListing& listing) {
    return CTallyBuilder(listing).Build();
}

void DescribeMapDevice(const MapListing& listing, MapFacts& facts) {
    facts.device = listing.machineType;
    const MemorySets sets = SetsOfClasses(listing.classRanges);
    facts.hasCapacity = !sets.program.Empty() || !sets.data.Empty();
    facts.romCapacity = static_cast<std::int64_t>(sets.program.Size());
    facts.ramCapacity = static_cast<std::int64_t>(sets.data.Size());
}
