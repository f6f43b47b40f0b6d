#include "map_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "map_error.h"
#include "map_lines.h"
#include "mplink_map.h"
#include "object_section_scan.h"
#include "program_listing.h"
#include "program_views.h"
#include "section_tally.h"
#include "token_reader.h"

namespace {

constexpr const char* kListedNamesDoNotApply =
    "an MPLINK-family map has no per-object table for the 27 listed section names: it is "
    "counted with every section (--sections auto or all)";

bool IsSeparator(char c) {
    return !IsTokenByte(static_cast<unsigned char>(c));
}

// The failed check of a map whose section table runs to the end of the file.
MapCheck CutShort(long lastLine) {
    MapCheck check;
    check.label = "Complete map";
    check.field = "complete_map";
    check.possible = true;
    check.agrees = false;
    check.hasFigures = false;
    check.detail = "the section table runs to the end of the file (line " +
                   std::to_string(lastLine) +
                   ") without COMMON or TOTAL: the map was cut short and the report may be "
                   "incomplete";
    return check;
}

// What the listed scan found, judged: no object file, no table heading and no end marker is no
// map; a heading without an end marker is a map cut short.
void Judge(const ScanSummary& summary, const std::string& name, SizeTable& table) {
    if (!summary.objectFile && !summary.tableHeading && !summary.endMarker) {
        throw MapError(name, 0,
                       "not a linker map: it names no object file and has no section table "
                       "('Name Link Load Length Selector Space') and no COMMON or TOTAL");
    }
    if (summary.tableHeading && !summary.endMarker) {
        table.facts.checks.push_back(CutShort(summary.lastLine));
    }
}

// The per-object table's heading: Name Link Load Length Selector Space, and Scale on some maps.
bool HasTableHeading(std::string_view bytes) {
    static constexpr std::string_view kWords[] = {"Name",     "Link",  "Load", "Length",
                                                  "Selector", "Space", "Scale"};
    for (std::size_t at = bytes.find("Selector"); at != std::string_view::npos;
         at = bytes.find("Selector", at + 1)) {
        const std::size_t start =
            bytes.rfind('\n', at) == std::string_view::npos ? 0 : bytes.rfind('\n', at) + 1;
        const std::size_t end = std::min(bytes.find('\n', at), bytes.size());
        const std::string_view line = bytes.substr(start, end - start);
        std::size_t word = 0;
        bool heading = true;
        for (std::size_t i = 0; i < line.size() && heading;) {
            if (IsSeparator(line[i])) {
                ++i;
                continue;
            }
            std::size_t j = i;
            while (j < line.size() && !IsSeparator(line[j])) {
                ++j;
            }
            heading = word < 7 && line.substr(i, j - i) == kWords[word];
            ++word;
            i = j;
        }
        if (heading && word >= 6) {
            return true;
        }
    }
    return false;
}

// A view inside the program: the complete tally split by source file or by symbol.
SizeTable CountView(std::string_view bytes, const std::string& name, SectionRule rule,
                    MapView view) {
    if (IsMplinkMap(bytes)) {
        throw MapError(name, 0,
                       "an MPLINK-family map has no MODULE INFORMATION and no function bounds: "
                       "its rows are already its source files (show it by object)");
    }
    if (rule == SectionRule::kListed) {
        throw MapError(name, 0,
                       "the views by source file and by symbol split the count of every section; "
                       "they cannot be made from the listed names (use --sections auto or all)");
    }
    const MapListing listing = ReadMapListing(bytes, name);
    const ProgramListing program = ReadProgramListing(bytes, name);
    SizeTable table = view == MapView::kModules ? ModuleView(listing, program, name)
                                                : SymbolView(listing, program, name);
    if (listing.cutShort) {
        table.facts.checks.push_back(CutShort(listing.lastLine));
    }
    return table;
}

}  // namespace

// A line whose first word, in column 0, is TOTAL, in a map with a section table: the heading of
// the class totals. Found without splitting every line into words, so that the choice costs
// little on a large map.
SectionRule RuleForMap(std::string_view bytes) {
    if (IsMplinkMap(bytes)) {
        return SectionRule::kAll;
    }
    constexpr std::string_view kWord = "TOTAL";
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = std::min(bytes.find('\n', start), bytes.size());
        const std::string_view line = bytes.substr(start, end - start);
        if (line.size() >= kWord.size() && line.compare(0, kWord.size(), kWord) == 0 &&
            (line.size() == kWord.size() || IsSeparator(line[kWord.size()]))) {
            return HasTableHeading(bytes) ? SectionRule::kAll : SectionRule::kListed;
        }
        start = end + 1;
    }
    return SectionRule::kListed;
}

SizeTable CountMap(std::string_view bytes, const std::string& name, SectionRule rule,
                   bool deviceFacts, MapView view) {
    if (view != MapView::kObjects) {
        return CountView(bytes, name, rule, view);
    }
    if (IsMplinkMap(bytes)) {
        if (rule == SectionRule::kListed) {
            throw MapError(name, 0, kListedNamesDoNotApply);
        }
        return ReadMplinkMap(bytes, name);
    }
    if (rule == SectionRule::kAll) {
        const MapListing listing = ReadMapListing(bytes, name);
        SizeTable table = TallySections(listing);
        if (listing.cutShort) {
            table.facts.checks.push_back(CutShort(listing.lastLine));
        }
        return table;
    }
    SizeTable table;
    if (deviceFacts) {
        DescribeMapDevice(ReadMapListing(bytes, name, ListingScope::kPreamble), table.facts);
    }
    CMapStream stream(bytes, name);
    Judge(ScanObjectSection(stream, table), name, table);
    return table;
}

SizeTable CountListedStream(CMapFile& file) {
    // The family is told by the first lines; a file that can be read again is looked at first
    // (standard input from a pipe cannot be, and is scanned as it comes).
    std::FILE* const handle = file.Get();
    const long start = std::ftell(handle);
    if (start >= 0) {
        char head[4096];
        const std::size_t count = std::fread(head, 1, sizeof head, handle);
        const bool mplink = IsMplinkMap(std::string_view(head, count));
        if (std::fseek(handle, start, SEEK_SET) != 0) {
            throw MapError(file.Name(), 0, "cannot read the map again from its start",
                           MapError::Kind::kRead);
        }
        if (mplink) {
            throw MapError(file.Name(), 0, kListedNamesDoNotApply);
        }
    }
    SizeTable table;
    CMapStream stream(file.Get(), file.Name());
    Judge(ScanObjectSection(stream, table), file.Name(), table);
    return table;
}
