#include "readers/hlink/tally_checks.h"

#include <algorithm>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "readers/hlink/section_classes.h"
#include "text/numbers.h"

MapCheck TotalSectionCheck(const std::string& reason, const MemoryTotals& map,
                           const MemoryTotals& report) {
    MapCheck check = NewCheck("TOTAL section", "total_section", "the map's TOTAL section");
    check.report = report;
    if (!reason.empty()) {
        check.reason = reason;
        return check;
    }
    check.map = map;
    check.possible = true;
    check.agrees = map == report;
    return check;
}

namespace {

// The memory a segment fills, by its class (cut to 8 characters in SEGMENTS: "MEDIUMCO"), else by
// its space; kOther for none of the two memories the occupancy counts.
MemoryKind SegmentMemory(const MapSegment& segment) {
    constexpr std::uint64_t kSpecialAddressStart = 0x200000;
    switch (ClassMemoryOf(segment.className)) {
        case ClassMemory::kProgram:
            return segment.begin < kSpecialAddressStart ? MemoryKind::kRom : MemoryKind::kOther;
        case ClassMemory::kData:
            return MemoryKind::kRam;
        case ClassMemory::kOther:
        case ClassMemory::kAbsoluteData:
            return MemoryKind::kOther;
        case ClassMemory::kUnknown:
            break;
    }
    return SectionMemory(false, false, false, segment.begin, segment.space);
}

// The addresses of the map's segments that lie outside every class range of their memory (a psect
// placed by an absolute -p option, such as a reset vector below the first CODE address), the
// registers aside: the linker fills them all the same.
MemorySets SegmentsOutside(const MapListing& listing, const MemorySets& classes,
                           const CAddressSet& registers) {
    std::vector<AddressRange> program;
    std::vector<AddressRange> data;
    for (const MapSegment& segment : listing.segments) {
        const MemoryKind memory = SegmentMemory(segment);
        if (memory != MemoryKind::kOther) {
            (memory == MemoryKind::kRom ? program : data).push_back({segment.begin, segment.end});
        }
    }
    return MemorySets{
        CAddressSet::FromRanges(std::move(program)).Minus(classes.program),
        CAddressSet::FromRanges(std::move(data)).Minus(classes.data).Minus(registers)};
}

}  // namespace

MapCheck CheckOccupancy(const MapListing& listing, const CAddressSet& registers,
                        const MemoryTotals& report) {
    MapCheck check = NewCheck("Occupancy", "occupancy", "the map's used address ranges");
    check.withOther = false;
    check.report = report;
    const MemorySets ranges = SetsOfClasses(listing.classRanges);
    if (ranges.program.Empty() && ranges.data.Empty()) {
        check.reason = "the map has no -A class ranges for program or data memory";
        return check;
    }
    if (!listing.hasUnusedSection) {
        check.reason = "the map has no UNUSED ADDRESS RANGES";
        return check;
    }
    const MemorySets unused = SetsOfClasses(listing.unusedRanges);
    const MemorySets outside = SegmentsOutside(listing, ranges, registers);
    check.possible = true;
    check.map.rom = static_cast<std::int64_t>(ranges.program.Minus(unused.program).Size() +
                                              outside.program.Size());
    check.map.ram =
        static_cast<std::int64_t>(ranges.data.Minus(unused.data).Size() + outside.data.Size());
    check.agrees = check.map.rom == report.rom && check.map.ram == report.ram;
    return check;
}

void ExplainOverlaps(std::vector<PlacedPiece> pieces, MapCheck& occupancy,
                     std::vector<std::string>& notes) {
    constexpr std::size_t kNamedOverlaps = 10;
    std::sort(pieces.begin(), pieces.end(), [](const PlacedPiece& a, const PlacedPiece& b) {
        return std::tie(a.memory, a.address, b.bytes, a.name) <
               std::tie(b.memory, b.address, a.bytes, b.name);
    });
    MemoryTotals twice;
    std::size_t overlaps = 0;
    const PlacedPiece* reaching = nullptr;  // of the pieces so far in its memory, the furthest end
    for (const PlacedPiece& piece : pieces) {
        if (piece.memory == MemoryKind::kOther || piece.bytes == 0) {
            continue;
        }
        const std::uint64_t end = piece.address + piece.bytes;
        if (reaching != nullptr && reaching->memory == piece.memory &&
            piece.address < reaching->address + reaching->bytes) {
            const std::uint64_t shared =
                std::min(end, reaching->address + reaching->bytes) - piece.address;
            AddBytes(twice, piece.memory, static_cast<std::int64_t>(shared));
            if (overlaps++ < kNamedOverlaps) {
                notes.push_back("Overlapping psects: " + std::string(reaching->name) + "@" +
                                HexText(reaching->address) + " and " + std::string(piece.name) +
                                "@" + HexText(piece.address) + " share " + std::to_string(shared) +
                                " bytes of " + (piece.memory == MemoryKind::kRom ? "ROM" : "RAM") +
                                ", counted twice");
            }
        }
        if (reaching == nullptr || reaching->memory != piece.memory ||
            end > reaching->address + reaching->bytes) {
            reaching = &piece;
        }
    }
    if (overlaps > kNamedOverlaps) {
        notes.push_back("Overlapping psects: " + std::to_string(overlaps - kNamedOverlaps) +
                        " more");
    }
    // Agrees when the bytes counted twice are the whole difference.
    occupancy.agrees = occupancy.map.rom + twice.rom == occupancy.report.rom &&
                       occupancy.map.ram + twice.ram == occupancy.report.ram;
}

MapCheck CutShortCheck(std::string detail) {
    MapCheck check = NewCheck("Complete map", "complete_map");
    check.possible = true;
    check.agrees = false;
    check.hasFigures = false;
    check.detail = std::move(detail);
    return check;
}

std::string TableToTheEndText(long lastLine) {
    return "the section table runs to the end of the file (line " + std::to_string(lastLine) +
           ") without COMMON or TOTAL: the map was cut short and the report may be incomplete";
}

std::string EndsAfterHeaderText(long lastLine) {
    return "the map ends at line " + std::to_string(lastLine) +
           ", after the linker's header and before its section table: it was cut short and the "
           "report may be incomplete";
}

std::string EndsAfterHeaderError() {
    return "the map ends here, after the linker's header and before its section table ('Name "
           "Link Load Length Selector Space'): it was cut short, and there is nothing to count";
}

MapCheck SecondMapCheck(long line, bool table) {
    MapCheck check = CutShortCheck("");
    check.label = "One map";
    check.field = "one_map";
    check.detail =
        std::string(table ? "a second section table starts" : "the linker's header comes again") +
        " at line " + std::to_string(line) +
        ": the file holds two maps, or one written twice, and the report is of what "
        "comes before";
    return check;
}
