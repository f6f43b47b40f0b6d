#include "section_tally.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>
#include <utility>

#include "address_ranges.h"
#include "size_report.h"

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

void AddBytes(TallyRow& row, MemoryKind kind, std::uint64_t bytes) {
    const auto amount = static_cast<std::int64_t>(bytes);
    switch (kind) {
        case MemoryKind::kRom:
            row.rom += amount;
            break;
        case MemoryKind::kRam:
            row.ram += amount;
            break;
        case MemoryKind::kOther:
            row.other += amount;
            break;
    }
}

void AddBytes(MemoryTotals& totals, MemoryKind kind, std::uint64_t bytes) {
    TallyRow row;
    AddBytes(row, kind, bytes);
    totals.rom += row.rom;
    totals.ram += row.ram;
    totals.other += row.other;
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
// are one row.
class CSpecialRows {
public:
    // The row's index among the special rows.
    std::size_t Index(const std::string& name) {
        const auto found = m_index.find(name);
        if (found != m_index.end()) {
            return found->second;
        }
        m_index.emplace(name, m_rows.size());
        m_rows.push_back(TallyRow{name, 0, 0, 0});
        return m_rows.size() - 1;
    }
    std::vector<TallyRow>& Rows() { return m_rows; }

private:
    std::vector<TallyRow> m_rows;
    std::map<std::string, std::size_t> m_index;
};

class CTallyBuilder {
    using NameIndex = std::map<std::string_view, std::vector<std::size_t>>;

public:
    explicit CTallyBuilder(const MapListing& listing) : m_listing(listing) {}

    SectionTally Build() {
        IndexTotals();
        FindOverlays();
        SectionTally tally;
        tally.rows.reserve(m_listing.objects.size());
        for (const std::string& object : m_listing.objects) {
            tally.rows.push_back(TallyRow{object, 0, 0, 0});
        }
        // Special rows follow the object rows: their row index is counted from there.
        const std::size_t objects = tally.rows.size();
        CSpecialRows special;
        auto add = [&](std::size_t rowIndex, std::string_view name, std::uint64_t address,
                       MemoryKind kind, std::uint64_t bytes) {
            AddBytes(rowIndex < objects ? tally.rows[rowIndex] : special.Rows()[rowIndex - objects],
                     kind, bytes);
            tally.parts.push_back(SizePart{static_cast<std::uint32_t>(rowIndex), name, kind,
                                           address, static_cast<std::int64_t>(bytes)});
        };
        for (std::size_t i = 0; i < m_listing.records.size(); ++i) {
            if (m_overlayOf[i] >= 0) {
                continue;
            }
            const SectionRecord& record = m_listing.records[i];
            const std::size_t row = record.common
                                        ? objects + special.Index("<COMMON " + record.name + ">")
                                    : record.object < 0 ? objects + special.Index("<no object>")
                                                        : static_cast<std::size_t>(record.object);
            add(row, record.name, ByteAddress(record), KindOf(record), BytesOf(record));
        }
        for (const std::vector<std::size_t>& members : m_overlays) {
            const SectionRecord& first = m_listing.records[members.front()];
            std::uint64_t largest = 0;
            for (std::size_t i : members) {
                largest = std::max(largest, BytesOf(m_listing.records[i]));
            }
            add(objects +
                    special.Index("<overlaid " + first.name + "@" + HexText(first.link) + ">"),
                first.name, ByteAddress(first), KindOf(first), largest);
        }
        for (const TotalRecord& total : m_listing.totals) {
            if (!HasTableRecord(total)) {
                const std::string label =
                    total.className.empty() ? total.name : total.className + " " + total.name;
                MemoryKind kind = MemoryKind::kOther;
                KindOf(total, kind);
                add(objects + special.Index("<" + label + ">"), total.name,
                    Bits(total) ? total.link / 8 : total.link, kind, BytesOf(total));
            }
        }
        for (TallyRow& row : special.Rows()) {
            tally.rows.push_back(std::move(row));
        }
        for (const TallyRow& row : tally.rows) {
            tally.totals.rom += row.rom;
            tally.totals.ram += row.ram;
            tally.totals.other += row.other;
        }
        tally.totalSection = CheckTotalSection(tally.totals);
        tally.occupancy = CheckOccupancy(tally.totals);
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
        return IsBitSection(record.link, record.load, record.scale);
    }

    std::uint64_t BytesOf(const SectionRecord& record) const {
        return SectionBytes(record.length, Bits(record));
    }

    std::uint64_t ByteAddress(const SectionRecord& record) const {
        return Bits(record) ? record.link / 8 : record.link;
    }

    // The class totals list a bit section with the addresses and length in bits; a Scale, which
    // they lack, is taken from the section's records in the table.
    bool Bits(const TotalRecord& total) const {
        return IsBitSection(total.link, total.load, 0) ||
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

    ReconciliationCheck CheckTotalSection(const MemoryTotals& report) const {
        ReconciliationCheck check;
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
            AddBytes(check.map, kind, BytesOf(total));
        }
        check.possible = true;
        check.agrees = check.map == report;
        return check;
    }

    ReconciliationCheck CheckOccupancy(const MemoryTotals& report) const {
        ReconciliationCheck check;
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

bool IsBitSection(std::uint64_t link, std::uint64_t load, std::int64_t scale) {
    return scale == 8 || (load != 0 && load <= (UINT64_MAX / 8) && link == load * 8);
}

std::uint64_t SectionBytes(std::uint64_t length, bool bits) {
    return bits ? length / 8 + (length % 8 != 0 ? 1 : 0) : length;
}

SectionTally TallySections(const MapListing& listing) {
    return CTallyBuilder(listing).Build();
}

MapCapacity CapacityFromClassRanges(const MapListing& listing) {
    const MemorySets sets = SetsOfClasses(listing.classRanges);
    return MapCapacity{sets.program.Size(), sets.data.Size()};
}

void SortTallyRowsByRom(std::vector<TallyRow>& rows) {
    std::stable_sort(rows.begin(), rows.end(),
                     [](const TallyRow& a, const TallyRow& b) { return a.rom > b.rom; });
}

void SortTallyRowsByRam(std::vector<TallyRow>& rows) {
    std::stable_sort(rows.begin(), rows.end(),
                     [](const TallyRow& a, const TallyRow& b) { return a.ram > b.ram; });
}

std::vector<TallyReportRow> BuildTallyReportRows(const std::vector<TallyRow>& rows,
                                                 std::int64_t romCapacity,
                                                 std::int64_t ramCapacity) {
    std::vector<TallyReportRow> report;
    report.reserve(rows.size() + 2);
    TallyRow total{"", 0, 0, 0};
    for (const TallyRow& row : rows) {
        if (row.rom == 0 && row.ram == 0 && row.other == 0) {
            continue;
        }
        report.push_back({row.name, std::to_string(row.rom), std::to_string(row.ram),
                          std::to_string(row.other), FormatPercentWide(row.rom, romCapacity),
                          FormatPercentWide(row.ram, ramCapacity)});
        total.rom += row.rom;
        total.ram += row.ram;
        total.other += row.other;
    }
    report.push_back(TallyReportRow{});
    report.push_back({kTotalRowLabel, std::to_string(total.rom), std::to_string(total.ram),
                      std::to_string(total.other), FormatPercentWide(total.rom, romCapacity),
                      FormatPercentWide(total.ram, ramCapacity)});
    return report;
}

// The four decimals of bytes * 100 / capacity by long division on the exact remainder, so that
// halves are recognised exactly and rounded away from zero.
std::string FormatPercentWide(std::int64_t bytes, std::int64_t capacity) {
    if (capacity <= 0) {
        return "n/a";
    }
    const std::uint64_t magnitude =
        bytes < 0 ? 0u - static_cast<std::uint64_t>(bytes) : static_cast<std::uint64_t>(bytes);
    const auto cap = static_cast<std::uint64_t>(capacity);
    std::uint64_t units = magnitude / cap;
    std::uint64_t remainder = magnitude % cap;
    for (int digit = 0; digit < 6; ++digit) {
        // remainder < cap, and capacities stay far below 2^60, so remainder * 10 cannot wrap.
        remainder *= 10u;
        units = units * 10u + remainder / cap;
        remainder %= cap;
    }
    if (remainder >= cap - remainder) {
        ++units;
    }
    std::string fraction = std::to_string(units % 10000u);
    fraction.insert(0, 4 - fraction.size(), '0');
    return (bytes < 0 ? "-" : "") + std::to_string(units / 10000u) + "." + fraction;
}
