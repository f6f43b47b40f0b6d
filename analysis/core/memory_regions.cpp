#include "core/memory_regions.h"

#include <algorithm>
#include <array>
#include <tuple>
#include <utility>

#include "core/size_table.h"

namespace {

// Where the memories' regions go in the list: program memory and the memories the part puts
// above it in the same address space, then data memory.
int SpaceOf(MemoryKind memory) {
    return memory == MemoryKind::kRam ? 1 : 0;
}

// A part's bytes as a range of addresses.
struct PlacedSpan {
    std::uint64_t begin;
    std::uint64_t end;
};

// The spans of one memory's parts by their start, with the largest end up to each, so that the
// spans a range meets are found by a binary search.
struct SpanIndex {
    std::vector<PlacedSpan> spans;
    std::vector<std::uint64_t> reach;

    void Build() {
        std::sort(spans.begin(), spans.end(),
                  [](const PlacedSpan& a, const PlacedSpan& b) { return a.begin < b.begin; });
        std::uint64_t largest = 0;
        reach.reserve(spans.size());
        for (const PlacedSpan& span : spans) {
            largest = std::max(largest, span.end);
            reach.push_back(largest);
        }
    }

    // Calls take(begin, end) for the piece of every span inside [begin, end).
    template <typename Take>
    void ForEachIn(std::uint64_t begin, std::uint64_t end, Take take) const {
        auto i = static_cast<std::size_t>(std::upper_bound(reach.begin(), reach.end(), begin) -
                                          reach.begin());
        for (; i < spans.size() && spans[i].begin < end; ++i) {
            const std::uint64_t from = std::max(spans[i].begin, begin);
            const std::uint64_t to = std::min(spans[i].end, end);
            if (from < to) {
                take(from, to);
            }
        }
    }
};

// The largest piece of [begin, end) inside one run.
AddressRange LargestPieceInRun(std::uint64_t begin, std::uint64_t end, const RegionRun& run) {
    if (run.block == 0 || end - begin <= 1) {
        return {begin, end};
    }
    // Boundaries lie at run.begin + k * block: the first piece up to the first boundary after
    // begin, whole blocks in between, the last piece after the last boundary.
    const std::uint64_t firstCut = run.begin + ((begin - run.begin) / run.block + 1) * run.block;
    if (firstCut >= end) {
        return {begin, end};
    }
    AddressRange best{begin, firstCut};
    const std::uint64_t lastCut = run.begin + ((end - 1 - run.begin) / run.block) * run.block;
    if (lastCut > firstCut && run.block > best.end - best.begin) {
        best = {firstCut, firstCut + run.block};
    }
    if (end - lastCut > best.end - best.begin) {
        best = {lastCut, end};
    }
    return best;
}

std::uint64_t Width(const AddressRange& range) {
    return range.end - range.begin;
}

std::string Decimal(std::uint64_t value) {
    return std::to_string(value);
}

}  // namespace

MemoryRegion MakeRegion(std::string name, MemoryKind memory, std::vector<RegionRun> runs) {
    MemoryRegion region;
    region.name = std::move(name);
    region.memory = memory;
    std::vector<AddressRange> ranges;
    for (const RegionRun& run : runs) {
        ranges.push_back({run.begin, run.end});
    }
    region.addresses = CAddressSet::FromRanges(std::move(ranges));
    std::stable_sort(runs.begin(), runs.end(),
                     [](const RegionRun& a, const RegionRun& b) { return a.begin < b.begin; });
    region.runs = std::move(runs);
    region.size = static_cast<std::int64_t>(region.addresses.Size());
    return region;
}

AddressRange LargestPiece(const std::vector<AddressRange>& spans,
                          const std::vector<RegionRun>& runs) {
    AddressRange best{};
    std::size_t first = 0;  // the runs before it end before the span
    for (const AddressRange& span : spans) {
        while (first < runs.size() && runs[first].end <= span.begin) {
            ++first;
        }
        bool inRun = false;
        for (std::size_t i = first; i < runs.size() && runs[i].begin < span.end; ++i) {
            const std::uint64_t begin = std::max(span.begin, runs[i].begin);
            const std::uint64_t end = std::min(span.end, runs[i].end);
            if (begin < end) {
                inRun = true;
                const AddressRange piece = LargestPieceInRun(begin, end, runs[i]);
                best = Width(piece) > Width(best) ? piece : best;
            }
        }
        // Outside every run nothing cuts the span (PIC16 maps give EEPROM data's unused range
        // at its load address, which the class's own range does not say).
        if (!inRun && Width(span) > Width(best)) {
            best = span;
        }
    }
    return best;
}

void PlaceParts(std::vector<MemoryRegion>& regions, const std::vector<SizePart>& parts) {
    std::array<SpanIndex, 3> byMemory;
    for (const SizePart& part : parts) {
        if (part.bytes > 0) {
            const std::uint64_t end = part.address + static_cast<std::uint64_t>(part.bytes);
            byMemory[static_cast<std::size_t>(part.memory)].spans.push_back(
                {part.address, end < part.address ? UINT64_MAX : end});
        }
    }
    for (SpanIndex& index : byMemory) {
        index.Build();
    }
    for (MemoryRegion& region : regions) {
        const SpanIndex& index = byMemory[static_cast<std::size_t>(region.memory)];
        CAddressSet taken;
        std::uint64_t placed = 0;
        for (const AddressRange& range : region.addresses.Ranges()) {
            index.ForEachIn(range.begin, range.end, [&](std::uint64_t begin, std::uint64_t end) {
                placed += end - begin;
                taken.Add(begin, end);
            });
        }
        region.placed = static_cast<std::int64_t>(placed);
        if (!region.freeFromMap) {
            const CAddressSet free = region.addresses.Minus(taken);
            region.freeSpans = free.Ranges();
            region.free = static_cast<std::int64_t>(free.Size());
            region.used = region.size - region.free;
            region.largestSpan = LargestPiece(region.freeSpans, region.runs);
            region.largestFree = static_cast<std::int64_t>(Width(region.largestSpan));
        } else {
            region.largestSpan = LargestPiece(region.freeSpans, region.runs);
        }
    }
    std::stable_sort(regions.begin(), regions.end(),
                     [](const MemoryRegion& a, const MemoryRegion& b) {
                         return std::make_tuple(SpaceOf(a.memory), a.Start(), a.memory) <
                                std::make_tuple(SpaceOf(b.memory), b.Start(), b.memory);
                     });
}

std::vector<MemoryRegion> PartRegions(const Pic18Part& part) {
    // Program memory ends where the ID locations, configuration words and EEPROM begin; the J
    // parts keep their configuration words in the last bytes of flash, which count as ROM.
    constexpr std::uint64_t kAboveProgram = 0x200000;
    constexpr std::uint64_t kEeprom = 0xF00000;
    const auto above = [](const Pic18Range& range) {
        return range.begin >= kAboveProgram ? MemoryKind::kOther : MemoryKind::kRom;
    };
    std::vector<MemoryRegion> regions;
    regions.push_back(MakeRegion("page", MemoryKind::kRom, {{0, part.programBytes, 0}}));
    for (const auto& [name, range] : {std::make_pair("idlocs", part.idLocations),
                                      std::make_pair("config", part.configuration)}) {
        if (range.Size() > 0) {
            regions.push_back(MakeRegion(name, above(range), {{range.begin, range.end, 0}}));
        }
    }
    if (part.eepromBytes > 0) {
        regions.push_back(
            MakeRegion("eedata", MemoryKind::kOther, {{kEeprom, kEeprom + part.eepromBytes, 0}}));
    }
    for (const Pic18DataBank& bank : DataBanksOf(part)) {
        if (bank.kind == Pic18DataKind::kAccessRam || bank.kind == Pic18DataKind::kGpr) {
            regions.push_back(MakeRegion(bank.kind == Pic18DataKind::kAccessRam
                                             ? "accessram"
                                             : "gpr" + Decimal(bank.begin >> 8),
                                         MemoryKind::kRam, {{bank.begin, bank.end, 0}}));
        }
    }
    for (MemoryRegion& region : regions) {
        region.fromPart = true;
    }
    return regions;
}
