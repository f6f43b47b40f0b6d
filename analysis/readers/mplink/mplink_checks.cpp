#include "readers/mplink/mplink_checks.h"

#include <algorithm>
#include <map>

#include "core/address_ranges.h"
#include "core/map_error.h"
#include "text/numbers.h"

namespace {

constexpr std::size_t kShown = 60;  // of a name quoted in a note
// Stray symbols and images named one by one in the notes; the rest are counted.
constexpr std::size_t kNamedProblems = 3;

class CMplinkChecks {
public:
    CMplinkChecks(const MplinkListing& listing, const SectionOwners& owners,
                  const CSymbolsByAddress& symbols, std::vector<std::string>& problems)
        : m_listing(listing), m_owners(owners), m_symbols(symbols), m_problems(problems) {}

    std::vector<MapCheck> Check(const MemoryTotals& report) {
        return {CheckUsageRanges(report), CheckUsedCount(report), CheckOverlaps(report),
                CheckDataSymbols(report), CheckImages(report)};
    }

private:
    // What the Section Info gives, each counted section once.
    MemoryTotals SectionTotals() const {
        MemoryTotals totals;
        for (std::size_t i = 0; i < m_listing.sections.size(); ++i) {
            const MplinkSection& section = m_listing.sections[i];
            if (IsCounted(section, m_owners.leftOut[i])) {
                AddBytes(totals, MemoryOf(section), static_cast<std::int64_t>(section.size));
            }
        }
        return totals;
    }

    static MapCheck Check(const char* label, const char* source) {
        MapCheck check;
        check.label = label;
        check.source = source;
        check.withOther = true;
        return check;
    }

    static void Compare(MapCheck& check, const MemoryTotals& report, bool alsoHolds = true) {
        check.possible = true;
        check.agrees = alsoHolds && check.map == report;
    }

    // The usage ranges cover what the program sections take; the map gives no data figure, so
    // RAM is that of the Section Info's data sections.
    MapCheck CheckUsageRanges(const MemoryTotals& report) const {
        MapCheck check = Check("Program memory usage", "the map's program memory usage");
        if (!m_listing.hasUsage || m_listing.usage.empty()) {
            check.reason = "the map has no Program Memory Usage ranges";
            return check;
        }
        check.map = UsageTotals();
        check.map.ram = SectionTotals().ram;
        Compare(check, report);
        return check;
    }

    MemoryTotals UsageTotals() const {
        MemoryTotals totals;
        for (const UsageRange& range : m_listing.usage) {
            const std::uint64_t end = range.last + 1;
            const std::uint64_t split = std::clamp(kMplinkOtherStart, range.first, end);
            totals.rom += static_cast<std::int64_t>(split - range.first);
            totals.other += static_cast<std::int64_t>(end - split);
        }
        return totals;
    }

    // "N program addresses used" counts ROM and other together: the other bytes are those of the
    // usage ranges, ROM the rest.
    MapCheck CheckUsedCount(const MemoryTotals& report) const {
        MapCheck check =
            Check("Program addresses used", "the map's count of program addresses used");
        if (!m_listing.hasUsedCount) {
            check.reason = "the map gives no count of program addresses used";
            return check;
        }
        check.map.other = UsageTotals().other;
        check.map.rom = static_cast<std::int64_t>(m_listing.usedCount) - check.map.other;
        check.map.ram = SectionTotals().ram;
        Compare(check, report);
        return check;
    }

    // The addresses the sections cover: the sum of their sizes unless two of them overlap.
    MapCheck CheckOverlaps(const MemoryTotals& report) const {
        MapCheck check = Check("Section addresses", "the addresses the map's sections cover");
        std::vector<AddressRange> program;
        std::vector<AddressRange> data;
        for (std::size_t i = 0; i < m_listing.sections.size(); ++i) {
            const MplinkSection& section = m_listing.sections[i];
            if (IsCounted(section, m_owners.leftOut[i])) {
                (section.program ? program : data)
                    .push_back({section.address, section.address + section.size});
            }
        }
        const CAddressSet programSet = CAddressSet::FromRanges(std::move(program));
        CAddressSet code;
        code.Add(0, kMplinkOtherStart);
        check.map.rom = static_cast<std::int64_t>(programSet.Intersect(code).Size());
        check.map.other = static_cast<std::int64_t>(programSet.Minus(code).Size());
        check.map.ram = static_cast<std::int64_t>(CAddressSet::FromRanges(std::move(data)).Size());
        Compare(check, report);
        return check;
    }

    // Every data symbol lies in a counted section (or in the registers left out): a symbol
    // elsewhere is memory the rows do not have.
    MapCheck CheckDataSymbols(const MemoryTotals& report) {
        MapCheck check = Check("Data symbols", "the map's data symbols");
        if (!m_listing.hasSymbols) {
            check.reason = "the map has no symbol table";
            return check;
        }
        std::vector<AddressRange> ranges;
        for (std::size_t i = 0; i < m_listing.sections.size(); ++i) {
            const MplinkSection& section = m_listing.sections[i];
            if (!section.program && section.size > 0) {
                ranges.push_back({section.address, section.address + section.size});
            }
        }
        const CAddressSet covered = CAddressSet::FromRanges(std::move(ranges));
        std::size_t stray = 0;
        for (const MplinkSymbol* symbol : m_symbols.Data()) {
            if (covered.Contains(symbol->address)) {
                continue;
            }
            if (++stray <= kNamedProblems) {
                m_problems.push_back("Data symbol " + QuoteForMessage(symbol->name, kShown) +
                                     " at 0x" + HexText(symbol->address, 6) +
                                     " lies in no section");
            }
        }
        if (stray > kNamedProblems) {
            m_problems.push_back("Data symbols in no section: " + std::to_string(stray));
        }
        check.map = SectionTotals();
        Compare(check, report, stray == 0);
        return check;
    }

    // Each idata section's initial values are copied from its image "NAME_i" in program memory,
    // one byte for each (gplink rounds an odd size up to even). ROM is given as the images should
    // be: it differs from the report by what an image lacks or has too much.
    MapCheck CheckImages(const MemoryTotals& report) {
        MapCheck check = Check("Initialised data images", "the sizes of the map's idata sections");
        std::map<std::string_view, std::uint64_t> imageSizes;
        for (std::size_t i = 0; i < m_listing.sections.size(); ++i) {
            const MplinkSection& section = m_listing.sections[i];
            if (section.program && IsCounted(section, m_owners.leftOut[i])) {
                imageSizes[section.name] += section.size;
            }
        }
        check.map = SectionTotals();
        std::size_t wrong = 0;
        for (std::size_t i = 0; i < m_listing.sections.size(); ++i) {
            const MplinkSection& section = m_listing.sections[i];
            if (section.program || section.type != "idata" ||
                !IsCounted(section, m_owners.leftOut[i])) {
                continue;
            }
            const std::string imageName = std::string(section.name) + "_i";
            const auto found = imageSizes.find(imageName);
            const std::uint64_t image = found == imageSizes.end() ? 0 : found->second;
            const std::uint64_t even = section.size + (section.size & 1);
            if (image == section.size || image == even) {
                continue;
            }
            check.map.rom +=
                static_cast<std::int64_t>(section.size) - static_cast<std::int64_t>(image);
            if (++wrong <= kNamedProblems) {
                m_problems.push_back("Initialised data " + QuoteForMessage(section.name, kShown) +
                                     " of " + std::to_string(section.size) +
                                     " bytes has an image of " + std::to_string(image) + " bytes");
            }
        }
        if (wrong > kNamedProblems) {
            m_problems.push_back("Initialised data sections with a wrong image: " +
                                 std::to_string(wrong));
        }
        Compare(check, report, wrong == 0);
        return check;
    }

    const MplinkListing& m_listing;
    const SectionOwners& m_owners;
    const CSymbolsByAddress& m_symbols;
    std::vector<std::string>& m_problems;
};

}  // namespace

std::vector<MapCheck> CheckMplinkRows(const MplinkListing& listing, const SectionOwners& owners,
                                      const CSymbolsByAddress& symbols, const MemoryTotals& report,
                                      std::vector<std::string>& problems) {
    return CMplinkChecks(listing, owners, symbols, problems).Check(report);
}
