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
        std::vector<MapCheck> checks = {CheckUsageRanges(report), CheckUsedCount(report),
                                        CheckOverlaps(report), CheckDataSymbols(report),
                                        CheckImages(report)};
        for (MapCheck& check : checks) {
            check.report = report;
        }
        const std::string cutShort = CutShort();
        if (!cutShort.empty()) {
            MapCheck check = Check("Complete map", "complete_map", "the end of the map");
            check.possible = true;
            check.hasFigures = false;
            check.detail = cutShort;
            checks.push_back(check);
        }
        return checks;
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

    static MapCheck Check(const char* label, const char* field, const char* source) {
        return NewCheck(label, field, source);
    }

    static void Compare(MapCheck& check, const MemoryTotals& report, bool alsoHolds = true) {
        check.possible = true;
        check.agrees = alsoHolds && check.map == report;
    }

    // The usage ranges cover what the program sections take; the map gives no data figure, so
    // RAM is that of the Section Info's data sections.
    MapCheck CheckUsageRanges(const MemoryTotals& report) const {
        MapCheck check =
            Check("Program memory usage", "program_memory_usage", "the map's program memory usage");
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
        MapCheck check = Check("Program addresses used", "program_addresses_used",
                               "the map's count of program addresses used");
        if (!m_listing.hasUsedCount) {
            check.reason = "the map gives no count of program addresses used";
            return check;
        }
        std::uint64_t used = m_listing.usedCount;
        if (CountsWords()) {
            used *= 2;
            check.source += " (in words, as gplink before 1.0 counts them)";
        }
        check.map.other = UsageTotals().other;
        check.map.rom = static_cast<std::int64_t>(used) - check.map.other;
        check.map.ram = SectionTotals().ram;
        Compare(check, report);
        return check;
    }

    // gplink before 1.0 counts the addresses used in words of two bytes, unless its ranges cover
    // exactly as many bytes as it counts.
    bool CountsWords() const {
        const MemoryTotals ranges = UsageTotals();
        return m_listing.olderGplink &&
               (m_listing.usage.empty() ||
                static_cast<std::uint64_t>(ranges.rom + ranges.other) != m_listing.usedCount);
    }

    // The addresses the sections cover: the sum of their sizes unless two of them overlap.
    MapCheck CheckOverlaps(const MemoryTotals& report) const {
        MapCheck check = Check("Section addresses", "section_addresses",
                               "the addresses the map's sections cover");
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
        MapCheck check = Check("Data symbols", "data_symbols", "the map's data symbols");
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
        MapCheck check = Check("Initialised data images", "initialised_data_images",
                               "the sizes of the map's idata sections");
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

    // A complete map ends with its symbols: the table sorted by address lists as many as the one
    // sorted by name (older gplink's table "Symbols" is its last; a second lists as many as the
    // first), and its last line ends. What a map that stops before says of where it ends; empty
    // for a complete one.
    std::string CutShort() const {
        const std::vector<SymbolTable>& tables = m_listing.symbolTables;
        const auto table = [&](SymbolOrder order) -> const SymbolTable* {
            for (const SymbolTable& symbols : tables) {
                if (symbols.order == order) {
                    return &symbols;
                }
            }
            return nullptr;
        };
        const SymbolTable* byName = table(SymbolOrder::kByName);
        const SymbolTable* byAddress = table(SymbolOrder::kByAddress);
        const bool sorted = byName != nullptr || byAddress != nullptr;
        std::string where = "the map ends at line " + std::to_string(m_listing.lastLine);
        if (tables.empty() || (sorted && byAddress == nullptr)) {
            where += ", inside its " + std::string(m_listing.lastTable) + ", before its symbols" +
                     (sorted ? " sorted by address" : "");
        } else if (sorted && byName != nullptr && byAddress->symbols < byName->symbols) {
            where += ", after " + std::to_string(byAddress->symbols) + " of its " +
                     std::to_string(byName->symbols) + " symbols sorted by address";
        } else if (!sorted && tables.size() == 2 && tables[1].symbols < tables[0].symbols) {
            where += ", after " + std::to_string(tables[1].symbols) + " of its " +
                     std::to_string(tables[0].symbols) + " symbols in its second table";
        } else if (m_listing.endsMidLine) {
            where += " in the middle of a line";
        } else {
            return {};
        }
        return where + ": the map was cut short and the report may be incomplete";
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
