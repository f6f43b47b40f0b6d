#include "readers/hlink/hlink_reader.h"

#include "core/line_reader.h"
#include "core/map_error.h"
#include "readers/hlink/map_listing.h"
#include "readers/hlink/object_section_scan.h"
#include "readers/hlink/program_listing.h"
#include "readers/hlink/section_classes.h"
#include "readers/hlink/section_tally.h"
#include "readers/hlink/tally_checks.h"
#include "readers/hlink/token_reader.h"
#include "text/lines.h"
#include "text/names.h"
#include "text/words.h"
#include "views/program_views.h"

namespace {

// What decides the rule a map calls for and what it offers, gathered line by line: the
// per-object table's heading, a line whose first word, in column 0, is TOTAL (the heading of the
// class totals), and for the views MODULE INFORMATION and a Symbol Table with function bounds.
class CMapSurvey {
public:
    // Without `views`, only what decides the rule is looked for.
    explicit CMapSurvey(bool views) : m_views(views) {}

    TALLYFOLD_ALWAYS_INLINE void Line(std::string_view line) {
        constexpr std::string_view kTotal = "TOTAL";
        if (!line.empty() && line[0] == kTotal[0] && StartsWith(line, kTotal) &&
            (line.size() == kTotal.size() ||
             !IsTokenByte(static_cast<unsigned char>(line[kTotal.size()])))) {
            m_total = true;
        }
        if (!m_heading && line.find(kTableHeading[4]) != std::string_view::npos) {
            m_heading = IsTableHeading(CLineWords(line));
        }
        if (m_views) {
            LookForViews(line);
        }
    }

    SectionRule Rule() const {
        return m_total && m_heading ? SectionRule::kAll : SectionRule::kListed;
    }

    MapOffers Offers() const {
        MapOffers offers;
        offers.calledFor = Rule();
        offers.listed = true;
        offers.all = m_heading;
        offers.modules = m_heading && m_modules;
        offers.symbols = m_heading && m_functionBounds;
        return offers;
    }

private:
    void LookForViews(std::string_view line) {
        if (m_symbolTable) {
            m_functionBounds = m_functionBounds || line.find("__end_of_") != std::string_view::npos;
        }
        const std::string_view text = Trim(line);
        if (!m_modules && StartsWith(text, "MODULE")) {
            m_modules = WordsAre(CLineWords(text), {"MODULE", "INFORMATION"});
        }
        if (!m_symbolTable && StartsWith(text, "Symbol")) {
            m_symbolTable = WordsAre(CLineWords(text), {"Symbol", "Table"});
        }
    }

    bool m_views;
    bool m_total = false;
    bool m_heading = false;
    bool m_modules = false;
    bool m_symbolTable = false;
    bool m_functionBounds = false;
};

CMapSurvey Survey(std::string_view bytes, bool views) {
    CMapSurvey survey(views);
    CTextLines lines(bytes);
    std::string_view line;
    while (lines.Next(line)) {
        survey.Line(line);
    }
    return survey;
}

// The rule a map in a file calls for, read through once as it streams (the file is then read
// again from where it started by the reader the rule chooses). Only the start of a line matters
// to the survey: a line that runs across blocks is cut.
SectionRule RuleForFile(CMapFile& file) {
    constexpr std::size_t kLongestLine = 256;
    CMapSurvey survey(false);
    CLineReader lines(file, nullptr);
    lines.CutLongLinesAt(kLongestLine);
    std::string_view line;
    while (lines.Next(line)) {
        survey.Line(line);
    }
    return survey.Rule();
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

// A view inside the program: the complete tally split by source file or by symbol.
SizeTable CountView(std::string_view bytes, const std::string& name, SectionRule rule,
                    MapView view) {
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

TallyDetail DetailOf(const CountRequest& request) {
    return request.withParts ? TallyDetail::kRowsAndParts : TallyDetail::kRows;
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
    CMapStream stream(file, preamble);
    Judge(ScanObjectSection(stream, table, EmptyRows::kLeaveOut), file.Name(), table);
    return table;
}

class CHlinkFamily final : public CMapFamily {
public:
    // Every map no other family takes.
    bool Recognises(std::string_view) const override { return true; }

    MapOffers Offers(std::string_view bytes) const override { return Survey(bytes, true).Offers(); }

    SizeTable Count(std::string_view bytes, const std::string& name, SectionRule rule,
                    const CountRequest& request) const override {
        if (request.view != MapView::kObjects) {
            return CountView(bytes, name, rule, request.view);
        }
        if (rule == SectionRule::kAll) {
            return TallySections(bytes, name, DetailOf(request));
        }
        SizeTable table;
        if (request.deviceFacts) {
            DescribeMapDevice(ReadMapListing(bytes, name, ListingScope::kPreamble), table.facts);
        }
        CMapStream stream(bytes, name);
        Judge(ScanObjectSection(stream, table), name, table);
        return table;
    }

    // The views need the whole map; a pipe is read whole unless the rule is forced, since the
    // rule it calls for is found by reading it through once before the count reads it again.
    SizeTable CountFile(CMapFile& file, RuleChoice choice,
                        const CountRequest& request) const override {
        long start = 0;
        if (request.view != MapView::kObjects ||
            (choice == RuleChoice::kAuto && !file.Tell(start))) {
            const std::string bytes = file.ReadAll();
            const SectionRule rule = choice == RuleChoice::kAuto  ? Survey(bytes, false).Rule()
                                     : choice == RuleChoice::kAll ? SectionRule::kAll
                                                                  : SectionRule::kListed;
            return Count(bytes, file.Name(), rule, request);
        }
        SectionRule rule = choice == RuleChoice::kAll ? SectionRule::kAll : SectionRule::kListed;
        if (choice == RuleChoice::kAuto) {
            rule = RuleForFile(file);
            file.SeekTo(start);
        }
        if (rule == SectionRule::kAll) {
            return TallySections(file, DetailOf(request));
        }
        return CountListed(file, request.deviceFacts);
    }
};

}  // namespace

const CMapFamily& HlinkFamily() {
    static const CHlinkFamily family;
    return family;
}
