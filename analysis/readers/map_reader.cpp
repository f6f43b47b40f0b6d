#include "readers/map_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/map_error.h"
#include "readers/hlink/map_lines.h"
#include "readers/mplink/mplink_map.h"
#include "readers/hlink/object_section_scan.h"
#include "readers/hlink/program_listing.h"
#include "views/program_views.h"
#include "readers/hlink/section_tally.h"
#include "readers/hlink/token_reader.h"

namespace {

constexpr const char* kListedNamesDoNotApply =
    "an MPLINK-family map has no per-object table for the 27 listed section names: it is "
    "counted with every section (--sections auto or all)";

bool IsSeparator(char c) {
    return !IsTokenByte(static_cast<unsigned char>(c));
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
        table.facts.checks.push_back(CutShortCheck(summary.lastLine));
    }
}

// The per-object table's heading: Name Link Load Length Selector Space, and Scale on some maps.
// What decides the rule a map calls for, gathered line by line: the per-object table's heading
// (Name Link Load Length Selector Space, and Scale on some maps) and a line whose first word, in
// column 0, is TOTAL: the heading of the class totals.
class CRuleFinder {
public:
    void Line(std::string_view line) {
        constexpr std::string_view kTotal = "TOTAL";
        if (line.size() >= kTotal.size() && line.compare(0, kTotal.size(), kTotal) == 0 &&
            (line.size() == kTotal.size() || IsSeparator(line[kTotal.size()]))) {
            m_total = true;
        }
        if (!m_heading && line.find("Selector") != std::string_view::npos) {
            m_heading = IsTableHeading(line);
        }
    }

    SectionRule Rule() const {
        return m_total && m_heading ? SectionRule::kAll : SectionRule::kListed;
    }

private:
    static bool IsTableHeading(std::string_view line) {
        static constexpr std::string_view kWords[] = {"Name",     "Link",  "Load", "Length",
                                                      "Selector", "Space", "Scale"};
        std::size_t word = 0;
        for (std::size_t i = 0; i < line.size();) {
            if (IsSeparator(line[i])) {
                ++i;
                continue;
            }
            std::size_t j = i;
            while (j < line.size() && !IsSeparator(line[j])) {
                ++j;
            }
            if (word >= 7 || line.substr(i, j - i) != kWords[word]) {
                return false;
            }
            ++word;
            i = j;
        }
        return word >= 6;
    }

    bool m_total = false;
    bool m_heading = false;
};

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
    return view == MapView::kModules ? ModuleView(listing, program, name)
                                     : SymbolView(listing, program, name);
}

}  // namespace

SectionRule RuleForMap(std::string_view bytes) {
    if (IsMplinkMap(bytes)) {
        return SectionRule::kAll;
    }
    CRuleFinder finder;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = std::min(bytes.find('\n', start), bytes.size());
        finder.Line(bytes.substr(start, end - start));
        start = end + 1;
    }
    return finder.Rule();
}

SizeTable CountMap(std::string_view bytes, const std::string& name, SectionRule rule,
                   bool deviceFacts, MapView view, bool withParts) {
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
        return TallySections(bytes, name,
                             withParts ? TallyDetail::kRowsAndParts : TallyDetail::kRows);
    }
    SizeTable table;
    if (deviceFacts) {
        DescribeMapDevice(ReadMapListing(bytes, name, ListingScope::kPreamble), table.facts);
    }
    CMapStream stream(bytes, name);
    Judge(ScanObjectSection(stream, table), name, table);
    return table;
}

namespace {

constexpr std::size_t kLookBlock = 128 * 1024;

// The rule a map in a file calls for, read through once as it streams (the file is then read
// again from where it started by the reader the rule chooses): lines are found in blocks, and a
// line that runs across blocks is put together (only its first bytes matter to the finder).
SectionRule RuleForFile(CMapFile& file) {
    CRuleFinder finder;
    std::string block(kLookBlock, '\0');
    std::string carry;
    for (std::size_t count = file.Read(&block[0], block.size()); count != 0;
         count = file.Read(&block[0], block.size())) {
        std::string_view bytes(block.data(), count);
        for (std::size_t end = bytes.find('\n'); end != std::string_view::npos;
             end = bytes.find('\n')) {
            if (carry.empty()) {
                finder.Line(bytes.substr(0, end));
            } else {
                carry.append(bytes.substr(0, std::min<std::size_t>(end, 256)));
                finder.Line(carry);
                carry.clear();
            }
            bytes.remove_prefix(end + 1);
        }
        if (carry.size() < 256) {
            carry.append(bytes.substr(0, 256 - carry.size()));
        }
    }
    if (!carry.empty()) {
        finder.Line(carry);
    }
    return finder.Rule();
}

bool StartsAsMplinkMap(CMapFile& file) {
    std::string head(4096, '\0');
    head.resize(file.Read(&head[0], head.size()));
    return IsMplinkMap(head);
}

// The listed rule over the file as it streams: the preamble first when the device comes from the
// map, then the scan from the map's first byte (with the preamble's bytes already read).
SizeTable CountListed(CMapFile& file, bool deviceFacts) {
    SizeTable table;
    table.ReserveFor(file.SizeLeft());
    std::string preamble;
    if (deviceFacts) {
        DescribeMapDevice(ReadMapPreamble(file, preamble), table.facts);
    }
    CMapStream stream(file.Get(), file.Name(), preamble);
    Judge(ScanObjectSection(stream, table, EmptyRows::kLeaveOut), file.Name(), table);
    return table;
}

}  // namespace

SizeTable CountMapFile(CMapFile& file, RuleChoice choice, bool deviceFacts, MapView view,
                       bool withParts) {
    long start = 0;
    const bool again = view == MapView::kObjects && file.Tell(start);
    bool mplink = false;
    if (again) {
        mplink = StartsAsMplinkMap(file);
        file.SeekTo(start);
    }
    // The listed names from a pipe are scanned as they come (the family cannot be looked at
    // first); anything else that cannot be read twice, or needs the whole map, is read whole.
    if (!again && choice == RuleChoice::kListed && view == MapView::kObjects) {
        return CountListed(file, deviceFacts);
    }
    if (!again || mplink) {
        const std::string bytes = file.ReadAll();
        const SectionRule rule = choice == RuleChoice::kAuto  ? RuleForMap(bytes)
                                 : choice == RuleChoice::kAll ? SectionRule::kAll
                                                              : SectionRule::kListed;
        return CountMap(bytes, file.Name(), rule, deviceFacts, view, withParts);
    }
    SectionRule rule = choice == RuleChoice::kAll ? SectionRule::kAll : SectionRule::kListed;
    if (choice == RuleChoice::kAuto) {
        rule = RuleForFile(file);
        file.SeekTo(start);
    }
    if (rule == SectionRule::kAll) {
        return TallySections(file, withParts ? TallyDetail::kRowsAndParts : TallyDetail::kRows);
    }
    return CountListed(file, deviceFacts);
}
