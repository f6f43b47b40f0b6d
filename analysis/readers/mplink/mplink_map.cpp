#include "readers/mplink/mplink_map.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "core/address_ranges.h"
#include "text/hex_text.h"
#include "core/map_error.h"
#include "text/map_text.h"
#include "readers/hlink/token_reader.h"

namespace {

// Program memory from here up holds ID locations, configuration words, the device id and EEPROM
// data: bytes of the program, but not of its code space.
constexpr std::uint64_t kOtherStart = 0x200000;
// PIC18 addresses have 24 bits; eight hex digits keep every end address and every sum far from
// overflow.
constexpr std::size_t kMaxHexDigits = 8;
constexpr std::size_t kMaxDecimalDigits = 10;
constexpr std::size_t kShown = 60;  // of a line quoted in an error message
// Stray symbols and images named one by one in the notes; the rest are counted.
constexpr std::size_t kNamedProblems = 3;

// ---------------------------------------------------------------------------------------------
// Lines and tokens

struct Line {
    std::string_view text;  // without its line end
    long number = 0;
};

// Splits the bytes into lines ending in LF, CR LF or nothing, skipping a UTF-8 byte order mark.
std::vector<Line> SplitLines(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
    }
    std::vector<Line> lines;
    long number = 0;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        std::string_view text = bytes.substr(0, end);
        if (!text.empty() && text.back() == '\r') {
            text.remove_suffix(1);
        }
        lines.push_back({text, ++number});
        if (end == std::string_view::npos) {
            break;
        }
        bytes.remove_prefix(end + 1);
    }
    return lines;
}

std::vector<std::string_view> Tokens(std::string_view line) {
    std::vector<std::string_view> tokens;
    for (const MapWord& word : SplitWords(line)) {
        tokens.push_back(word.text);
    }
    return tokens;
}

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::string Lowered(std::string_view text) {
    std::string lowered(text);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(), Lower);
    return lowered;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && Lowered(a) == Lowered(b);
}

bool TokensAre(const std::vector<std::string_view>& tokens,
               std::initializer_list<std::string_view> words) {
    return tokens.size() == words.size() && std::equal(tokens.begin(), tokens.end(), words.begin());
}

// Whether the tokens start with the words, compared without regard to case.
bool StartsWithWords(const std::vector<std::string_view>& tokens,
                     std::initializer_list<std::string_view> words) {
    if (tokens.size() < words.size()) {
        return false;
    }
    return std::equal(words.begin(), words.end(), tokens.begin(), EqualsIgnoringCase);
}

// "0x" and at most kMaxHexDigits digits of either case.
bool ParseHex(std::string_view token, std::uint64_t& value) {
    return token.size() >= 3 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X') &&
           token.size() - 2 <= kMaxHexDigits &&
           ParseHexNumber(token.substr(2), false, UINT64_MAX >> 4, value);
}

bool ParseDecimal(std::string_view token, std::uint64_t& value) {
    if (token.empty() || token.size() > kMaxDecimalDigits) {
        return false;
    }
    value = 0;
    for (const char c : token) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return true;
}

bool AllDashes(const std::vector<std::string_view>& tokens) {
    return std::all_of(tokens.begin(), tokens.end(), [](std::string_view token) {
        return token.find_first_not_of('-') == std::string_view::npos;
    });
}

// ---------------------------------------------------------------------------------------------
// The header

enum class HeaderKind { kNone, kMap, kErrorMap };

struct Header {
    HeaderKind kind = HeaderKind::kNone;
    std::size_t body = 0;  // index of the first line after the header
    long titleLine = 0;    // number of the "... Map File ..." line
};

bool IsLinkerLine(const std::vector<std::string_view>& tokens) {
    if (tokens.empty()) {
        return false;
    }
    // "MPLINK 4.46, Linker" or "gplink-1.4.0 #1107 (Jan  1 2021)".
    constexpr std::string_view kGplink = "gplink-";
    const std::string_view first = tokens[0];
    const bool gplink = first.size() > kGplink.size() &&
                        first.substr(0, kGplink.size()) == kGplink &&
                        std::isdigit(static_cast<unsigned char>(first[kGplink.size()]));
    return gplink || (first == "MPLINK" && tokens.size() >= 2);
}

Header ReadHeader(const std::vector<Line>& lines) {
    Header header;
    std::size_t i = 0;
    const auto nextNonBlank = [&]() -> std::vector<std::string_view> {
        while (i < lines.size()) {
            std::vector<std::string_view> tokens = Tokens(lines[i].text);
            ++i;
            if (!tokens.empty()) {
                return tokens;
            }
        }
        return {};
    };
    if (!IsLinkerLine(nextNonBlank())) {
        return header;
    }
    const std::vector<std::string_view> title = nextNonBlank();
    if (StartsWithWords(title, {"Linker", "Error", "Map", "File"})) {
        header.kind = HeaderKind::kErrorMap;
    } else if (StartsWithWords(title, {"Linker", "Map", "File", "-", "Created"}) ||
               StartsWithWords(title, {"Map", "File", "-", "Created"})) {
        header.kind = HeaderKind::kMap;
    } else {
        return header;
    }
    header.body = i;
    header.titleLine = lines[i - 1].number;
    return header;
}

// ---------------------------------------------------------------------------------------------
// The tables

struct Section {
    long line = 0;
    std::string_view name;
    std::string_view type;
    std::uint64_t address = 0;
    std::uint64_t size = 0;
    bool program = false;  // program memory, else data memory
};

struct Symbol {
    std::string_view name;
    std::uint64_t address = 0;
    bool program = false;
    std::string_view file;  // as the map spells it; empty for a label the linker made
};

struct UsageRange {
    std::uint64_t first = 0;
    std::uint64_t last = 0;  // included
};

struct MplinkListing {
    std::vector<Section> sections;
    bool hasUsage = false;
    std::vector<UsageRange> usage;
    bool hasUsedCount = false;
    std::uint64_t usedCount = 0;
    bool hasSymbols = false;
    std::vector<Symbol> symbols;
};

enum class Table { kNone, kSections, kUsage, kSymbolsByName, kSymbolsByAddress };

class CListingReader {
public:
    CListingReader(const std::vector<Line>& lines, const std::string& fileName)
        : m_lines(lines), m_fileName(fileName) {}

    MplinkListing Read(std::size_t body) {
        for (std::size_t i = body; i < m_lines.size(); ++i) {
            ReadLine(m_lines[i]);
        }
        if (!m_seen.count(Table::kSections)) {
            throw MapError(m_fileName, 0, "the map has no Section Info table");
        }
        return std::move(m_listing);
    }

private:
    [[noreturn]] void Fail(const Line& line, const std::string& what) const {
        throw MapError(m_fileName, line.number, what + ": " + QuoteForMessage(line.text, kShown));
    }

    void ReadLine(const Line& line) {
        const std::vector<std::string_view> tokens = Tokens(line.text);
        if (tokens.empty() || AllDashes(tokens)) {
            return;
        }
        if (StartTable(line, tokens)) {
            return;
        }
        switch (m_table) {
            case Table::kNone:
                Fail(line, "a line outside the map's tables");
            case Table::kSections:
                if (!TokensAre(tokens, {"Section", "Type", "Address", "Location", "Size(Bytes)"})) {
                    ReadSection(line, tokens);
                }
                return;
            case Table::kUsage:
                if (!TokensAre(tokens, {"Start", "End"})) {
                    ReadUsage(line, tokens);
                }
                return;
            case Table::kSymbolsByName:
            case Table::kSymbolsByAddress:
                if (!TokensAre(tokens, {"Name", "Address", "Location", "Storage", "File"})) {
                    ReadSymbol(line, tokens);
                }
                return;
        }
    }

    bool StartTable(const Line& line, const std::vector<std::string_view>& tokens) {
        Table table = Table::kNone;
        if (TokensAre(tokens, {"Section", "Info"})) {
            table = Table::kSections;
        } else if (TokensAre(tokens, {"Program", "Memory", "Usage"})) {
            table = Table::kUsage;
            m_listing.hasUsage = true;
        } else if (TokensAre(tokens, {"Symbols", "-", "Sorted", "by", "Name"})) {
            table = Table::kSymbolsByName;
        } else if (TokensAre(tokens, {"Symbols", "-", "Sorted", "by", "Address"})) {
            table = Table::kSymbolsByAddress;
        } else {
            return false;
        }
        if (!m_seen.insert(table).second) {
            Fail(line, "a second copy of this table");
        }
        // Both symbol tables list the same symbols: the first one read is kept.
        m_keepSymbols = !m_listing.hasSymbols;
        if (table == Table::kSymbolsByName || table == Table::kSymbolsByAddress) {
            m_listing.hasSymbols = true;
        }
        m_table = table;
        return true;
    }

    std::uint64_t Hex(const Line& line, std::string_view token, const char* what) const {
        std::uint64_t value = 0;
        if (!ParseHex(token, value)) {
            Fail(line, std::string(what) + " " + QuoteForMessage(token, kShown) +
                           " is not a hexadecimal number of at most 8 digits after 0x");
        }
        return value;
    }

    bool Program(const Line& line, std::string_view token) const {
        if (token != "program" && token != "data") {
            Fail(line,
                 "location " + QuoteForMessage(token, kShown) + " is neither 'program' nor 'data'");
        }
        return token == "program";
    }

    // "   .code_main.o       code   0x000000    program   0x000012": the name is right-aligned
    // in its column, and a longer one pushes the other fields right, so they are read from the
    // right.
    void ReadSection(const Line& line, const std::vector<std::string_view>& tokens) {
        if (tokens.size() < 5) {
            Fail(line, "a section line needs a name, type, address, location and size");
        }
        const std::size_t n = tokens.size();
        Section section;
        section.line = line.number;
        section.name = Trim(
            line.text.substr(0, static_cast<std::size_t>(tokens[n - 4].data() - line.text.data())));
        section.type = tokens[n - 4];
        section.address = Hex(line, tokens[n - 3], "section address");
        section.program = Program(line, tokens[n - 2]);
        section.size = Hex(line, tokens[n - 1], "section size");
        m_listing.sections.push_back(section);
    }

    // "0x000000    0x000005" (both ends included), then "N out of M program addresses used,
    // ..." (MPLINK) or "N program addresses used" (gplink).
    void ReadUsage(const Line& line, const std::vector<std::string_view>& tokens) {
        std::uint64_t first = 0;
        std::uint64_t last = 0;
        if (tokens.size() == 2 && ParseHex(tokens[0], first) && ParseHex(tokens[1], last)) {
            if (last < first) {
                Fail(line, "a program memory range that ends before it starts");
            }
            m_listing.usage.push_back({first, last});
            return;
        }
        std::uint64_t used = 0;
        std::uint64_t of = 0;
        std::size_t words = 1;
        if (tokens.size() >= 4 && tokens[1] == "out" && tokens[2] == "of" &&
            ParseDecimal(tokens[3], of)) {
            words = 4;
        }
        const bool countLine = ParseDecimal(tokens[0], used) && tokens.size() >= words + 3 &&
                               tokens[words] == "program" && tokens[words + 1] == "addresses" &&
                               (tokens[words + 2] == "used" ||
                                (tokens[words + 2] == "used," && tokens.size() > words + 3));
        if (!countLine || (words == 1 && tokens.size() != 4)) {
            Fail(line, "neither a program memory range nor the count of program addresses used");
        }
        if (m_listing.hasUsedCount) {
            Fail(line, "a second count of program addresses used");
        }
        m_listing.hasUsedCount = true;
        m_listing.usedCount = used;
    }

    // "   _entry   0x000000    program     extern C:\mcc18\src\startup\c018i.c": the file is the
    // rest of the line, spaces and all, or nothing for a label the linker made.
    void ReadSymbol(const Line& line, const std::vector<std::string_view>& tokens) {
        if (tokens.size() < 4) {
            Fail(line, "a symbol line needs a name, address, location and storage");
        }
        Symbol symbol;
        symbol.name = tokens[0];
        symbol.address = Hex(line, tokens[1], "symbol address");
        symbol.program = Program(line, tokens[2]);
        const std::size_t fileStart =
            static_cast<std::size_t>(tokens[3].data() + tokens[3].size() - line.text.data());
        symbol.file = Trim(line.text.substr(fileStart));
        if (m_keepSymbols) {
            m_listing.symbols.push_back(symbol);
        }
    }

    const std::vector<Line>& m_lines;
    const std::string& m_fileName;
    MplinkListing m_listing;
    Table m_table = Table::kNone;
    std::set<Table> m_seen;
    bool m_keepSymbols = false;
};

// ---------------------------------------------------------------------------------------------
// Names

std::string_view BaseName(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The file name without its last extension.
std::string_view Stem(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos || dot == 0 ? name : name.substr(0, dot);
}

bool HasExtension(std::string_view name, std::string_view extension) {
    return name.size() > extension.size() &&
           EqualsIgnoringCase(name.substr(name.size() - extension.size()), extension);
}

// Header and include files count as a section's owner only where no other file has symbols
// there: their symbols sit among the code of the file that includes them.
bool IsIncludeFile(std::string_view file) {
    return HasExtension(file, ".inc") || HasExtension(file, ".h");
}

// The device a processor-definition file stands for: "p18f8520.asm" gives "18F8520",
// "p18lf45k22.asm" gives "18LF45K22"; empty for any other file.
std::string DeviceOfFile(std::string_view file) {
    const std::string name = Lowered(BaseName(file));
    if (name.size() < 9 || name.compare(0, 3, "p18") != 0 ||
        name.compare(name.size() - 4, 4, ".asm") != 0) {
        return {};
    }
    const std::string part = name.substr(1, name.size() - 5);  // "18f8520"
    std::size_t i = 2;
    while (i < part.size() && std::isalpha(static_cast<unsigned char>(part[i]))) {
        ++i;
    }
    const std::size_t letters = i - 2;
    if (letters < 1 || letters > 2 || i == part.size() ||
        !std::isdigit(static_cast<unsigned char>(part[i])) ||
        !std::all_of(part.begin(), part.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)); })) {
        return {};
    }
    std::string device = part;
    std::transform(device.begin(), device.end(), device.begin(), [](char c) {
        return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    });
    return device;
}

// The object a default section name is made of: ".code_main.o", ".romdata_main.o",
// ".udata_main.o", ".idata_main.o" and its image ".idata_main.o_i", ".config_300001_MAIN.O".
// Assemblers upper-case the object's name or cut it short, and may put its path in front.
std::optional<std::string_view> ObjectOfDefaultName(std::string_view name, bool program) {
    constexpr std::string_view kConfig = ".config_";
    if (name.substr(0, kConfig.size()) == kConfig) {
        const std::string_view rest = name.substr(kConfig.size());
        const std::size_t underscore = rest.find('_');
        if (underscore == 0 || underscore == std::string_view::npos ||
            underscore + 1 == rest.size() ||
            !std::all_of(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(underscore),
                         [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); })) {
            return std::nullopt;
        }
        return BaseName(rest.substr(underscore + 1));
    }
    // Longest first: ".udata_acs_main.o" belongs to main.o, not to "acs_main.o".
    for (const std::string_view prefix :
         {".udata_acs_", ".idata_acs_", ".romdata_", ".udata_", ".idata_", ".code_"}) {
        if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) {
            continue;
        }
        std::string_view object = name.substr(prefix.size());
        const bool image = program && prefix.substr(0, 6) == ".idata";
        if (image) {
            if (object.size() < 3 || object.substr(object.size() - 2) != "_i") {
                return std::nullopt;
            }
            object.remove_suffix(2);
        }
        return BaseName(object);
    }
    return std::nullopt;
}

// The module of SDCC's section names: "S_main__delay" (a function) and "ustat_main_00" (its
// static data).
std::optional<std::string_view> ModuleOfSdccName(std::string_view name) {
    constexpr std::string_view kCode = "S_";
    constexpr std::string_view kStatic = "ustat_";
    if (name.substr(0, kCode.size()) == kCode) {
        const std::size_t split = name.find("__", kCode.size());
        if (split == std::string_view::npos || split == kCode.size() || split + 2 == name.size()) {
            return std::nullopt;
        }
        return name.substr(kCode.size(), split - kCode.size());
    }
    if (name.substr(0, kStatic.size()) == kStatic) {
        const std::size_t split = name.rfind('_');
        if (split <= kStatic.size() || split + 1 == name.size() ||
            !std::all_of(name.begin() + static_cast<std::ptrdiff_t>(split + 1), name.end(),
                         [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
            return std::nullopt;
        }
        return name.substr(kStatic.size(), split - kStatic.size());
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// Who owns which bytes

enum class OwnerKind {
    kSource,   // a source file named by the symbols
    kObject,   // an object named by section names, matched to a source file where one fits
    kSpecial,  // "<section NAME>"
};

struct Owner {
    OwnerKind kind = OwnerKind::kSpecial;
    std::string name;  // file base name, object name or section name
};

// A run of a section's bytes that one owner takes.
struct Piece {
    std::size_t section = 0;
    std::uint64_t offset = 0;
    std::uint64_t bytes = 0;
    Owner owner;
};

bool IsCounted(const Section& section, bool leftOut) {
    return section.size > 0 && !leftOut;
}

MemoryKind MemoryOf(const Section& section) {
    if (!section.program) {
        return MemoryKind::kRam;
    }
    return section.address < kOtherStart ? MemoryKind::kRom : MemoryKind::kOther;
}

class CMplinkTally {
public:
    CMplinkTally(const MplinkListing& listing) : m_listing(listing) {
        for (const Symbol& symbol : listing.symbols) {
            (symbol.program ? m_programSymbols : m_dataSymbols).push_back(&symbol);
        }
        for (std::vector<const Symbol*>* symbols : {&m_programSymbols, &m_dataSymbols}) {
            std::stable_sort(
                symbols->begin(), symbols->end(),
                [](const Symbol* a, const Symbol* b) { return a->address < b->address; });
        }
        m_fromProcessorFile.reserve(listing.symbols.size());
        for (const Symbol& symbol : listing.symbols) {
            const std::string device = DeviceOfFile(symbol.file);
            m_fromProcessorFile.push_back(!device.empty());
            if (m_device.empty()) {
                m_device = device;
            }
        }
    }

    SizeTable Tally() {
        FindLeftOut();
        AssignOwners();
        SizeTable table;
        table.rule = SectionRule::kAll;
        table.facts.device = m_device;
        MakeRows(table);
        const MemoryTotals report = TotalsOfRows(table);
        table.facts.checks.push_back(CheckUsageRanges(report));
        table.facts.checks.push_back(CheckUsedCount(report));
        table.facts.checks.push_back(CheckOverlaps(report));
        table.facts.checks.push_back(CheckDataSymbols(report));
        table.facts.checks.push_back(CheckImages(report));
        if (m_leftOutBytes > 0) {
            table.facts.notes.push_back("SFR sections left out: " + std::to_string(m_leftOutBytes) +
                                        " bytes");
        }
        table.facts.notes.insert(table.facts.notes.end(), m_problems.begin(), m_problems.end());
        return table;
    }

private:
    // The symbols of that memory inside the section, in address order.
    std::pair<std::vector<const Symbol*>::const_iterator,
              std::vector<const Symbol*>::const_iterator>
    SymbolsIn(const Section& section) const {
        const std::vector<const Symbol*>& symbols =
            section.program ? m_programSymbols : m_dataSymbols;
        const auto below = [](const Symbol* symbol, std::uint64_t address) {
            return symbol->address < address;
        };
        return {std::lower_bound(symbols.begin(), symbols.end(), section.address, below),
                std::lower_bound(symbols.begin(), symbols.end(), section.address + section.size,
                                 below)};
    }

    bool FromProcessorFile(const Symbol& symbol) const {
        return m_fromProcessorFile[static_cast<std::size_t>(&symbol - m_listing.symbols.data())];
    }

    // The special function registers are data memory the device has, not memory the program
    // takes: sections named SFR_..., or whose every symbol comes from a processor-definition
    // file.
    void FindLeftOut() {
        m_leftOut.assign(m_listing.sections.size(), false);
        for (std::size_t i = 0; i < m_listing.sections.size(); ++i) {
            const Section& section = m_listing.sections[i];
            if (section.program || section.size == 0) {
                continue;
            }
            const auto [first, last] = SymbolsIn(section);
            const bool sfr = section.name.substr(0, 4) == "SFR_" ||
                             (first != last && std::all_of(first, last, [&](const Symbol* s) {
                                  return FromProcessorFile(*s);
                              }));
            if (sfr) {
                m_leftOut[i] = true;
                m_leftOutBytes += static_cast<std::int64_t>(section.size);
            }
        }
    }

    void AssignOwners() {
        std::map<std::string_view, std::size_t> dataSections;  // counted, by name
        for (std::size_t i = 0; i < m_listing.sections.size(); ++i) {
            const Section& section = m_listing.sections[i];
            if (!section.program && IsCounted(section, m_leftOut[i])) {
                dataSections.emplace(section.name, i);
            }
        }
        m_pieces.resize(m_listing.sections.size());
        std::vector<std::pair<std::size_t, std::size_t>> images;  // (image, its data section)
        for (std::size_t i = 0; i < m_listing.sections.size(); ++i) {
            const Section& section = m_listing.sections[i];
            if (!IsCounted(section, m_leftOut[i])) {
                continue;
            }
            if (const auto object = ObjectOfDefaultName(section.name, section.program)) {
                m_objectSections[std::string(*object)].push_back(i);
                Whole(i, {OwnerKind::kObject, std::string(*object)});
                continue;
            }
            if (section.program && section.name.size() > 2 &&
                section.name.substr(section.name.size() - 2) == "_i") {
                const auto data =
                    dataSections.find(section.name.substr(0, section.name.size() - 2));
                if (data != dataSections.end()) {
                    images.emplace_back(i, data->second);
                    continue;
                }
            }
            if (SplitBySymbols(i)) {
                continue;
            }
            if (const auto module = ModuleOfSdccName(section.name)) {
                m_sdccModules.insert(std::string(*module));
                Whole(i, {OwnerKind::kObject, std::string(*module)});
                continue;
            }
            Whole(i, Special(section));
        }
        // An image holds its data section's initial values, byte for byte in the same order: it
        // is split where the data section is.
        for (const auto& [image, data] : images) {
            const std::uint64_t size = m_listing.sections[image].size;
            const std::vector<Piece>& dataPieces = m_pieces[data];
            for (std::size_t p = 0; p < dataPieces.size(); ++p) {
                const std::uint64_t begin = std::min(dataPieces[p].offset, size);
                const std::uint64_t end =
                    p + 1 < dataPieces.size() ? std::min(dataPieces[p + 1].offset, size) : size;
                if (end > begin) {
                    m_pieces[image].push_back({image, begin, end - begin, dataPieces[p].owner});
                }
            }
        }
        ResolveObjects();
    }

    static Owner Special(const Section& section) {
        return {OwnerKind::kSpecial, "<section " + std::string(section.name) + ">"};
    }

    void Whole(std::size_t i, Owner owner) {
        m_pieces[i].push_back({i, 0, m_listing.sections[i].size, std::move(owner)});
    }

    // The source files of the symbols inside the section take its bytes, each from its first
    // symbol on (the first file from the section's start). Two files at one address share the
    // bytes, as an overlay does: the section then stays whole, as a row of its own. Returns
    // false when no symbol inside names a file.
    bool SplitBySymbols(std::size_t i) {
        const Section& section = m_listing.sections[i];
        const auto [first, last] = SymbolsIn(section);
        std::vector<const Symbol*> owners;
        for (bool includes : {false, true}) {
            for (auto it = first; it != last; ++it) {
                if (!(*it)->file.empty() && IsIncludeFile((*it)->file) == includes) {
                    owners.push_back(*it);
                }
            }
            if (!owners.empty()) {
                break;
            }
        }
        if (owners.empty()) {
            return false;
        }
        for (std::size_t k = 1; k < owners.size(); ++k) {
            if (owners[k]->address == owners[k - 1]->address &&
                BaseName(owners[k]->file) != BaseName(owners[k - 1]->file)) {
                Whole(i, Special(section));
                return true;
            }
        }
        std::uint64_t start = 0;
        std::string_view file = BaseName(owners.front()->file);
        for (const Symbol* symbol : owners) {
            const std::string_view next = BaseName(symbol->file);
            if (next != file) {
                const std::uint64_t offset = symbol->address - section.address;
                m_pieces[i].push_back(
                    {i, start, offset - start, {OwnerKind::kSource, std::string(file)}});
                start = offset;
                file = next;
            }
        }
        m_pieces[i].push_back(
            {i, start, section.size - start, {OwnerKind::kSource, std::string(file)}});
        return true;
    }

    // An object named by section names is the source file whose symbols lie in its sections, or
    // the source file of the same stem; otherwise it stays a row under its own name.
    void ResolveObjects() {
        std::vector<std::string_view> sources;  // base names of files with symbols, each once
        std::set<std::string_view> seen;
        for (const Symbol& symbol : m_listing.symbols) {
            const std::string_view base = BaseName(symbol.file);
            if (!base.empty() && seen.insert(base).second) {
                sources.push_back(base);
            }
        }
        std::map<std::string, std::string> sourceOf;
        for (const auto& [object, sections] : m_objectSections) {
            if (const std::optional<std::string_view> source = SourceBySymbols(sections)) {
                sourceOf[object] = std::string(*source);
            } else if (const auto byStem = SourceByStem(object, sources)) {
                sourceOf[object] = std::string(*byStem);
            }
        }
        for (const std::string& module : m_sdccModules) {
            if (!m_objectSections.count(module)) {
                if (const auto byStem = SourceByStem(module, sources)) {
                    sourceOf[module] = std::string(*byStem);
                }
            }
        }
        for (std::vector<Piece>& pieces : m_pieces) {
            for (Piece& piece : pieces) {
                if (piece.owner.kind != OwnerKind::kObject) {
                    continue;
                }
                const auto source = sourceOf.find(piece.owner.name);
                if (source != sourceOf.end()) {
                    piece.owner = {OwnerKind::kSource, source->second};
                }
            }
        }
    }

    // The file with the most symbols in those sections, include files only where no other file
    // has any.
    std::optional<std::string_view> SourceBySymbols(
        const std::vector<std::size_t>& sections) const {
        std::map<std::string_view, std::pair<bool, std::size_t>> counts;  // (include?, symbols)
        std::vector<std::string_view> order;
        for (const std::size_t i : sections) {
            const auto [first, last] = SymbolsIn(m_listing.sections[i]);
            for (auto it = first; it != last; ++it) {
                const std::string_view base = BaseName((*it)->file);
                if (base.empty()) {
                    continue;
                }
                auto& count = counts[base];
                if (count.second++ == 0) {
                    count.first = IsIncludeFile(base);
                    order.push_back(base);
                }
            }
        }
        std::optional<std::string_view> best;
        std::pair<bool, std::size_t> bestKey{false, 0};
        for (const std::string_view base : order) {
            const auto& count = counts[base];
            const std::pair<bool, std::size_t> key{!count.first, count.second};
            if (!best || key > bestKey) {
                best = base;
                bestKey = key;
            }
        }
        return best;
    }

    // "main.o", "MAIN.O", "main" or a cut "MAI" names "main.c": the one source file whose name,
    // with ".o" for its extension, starts with the object's name, ignoring case.
    static std::optional<std::string_view> SourceByStem(
        std::string_view object, const std::vector<std::string_view>& sources) {
        const std::string wanted = Lowered(object);
        const std::string objectStem = Lowered(Stem(object));
        std::optional<std::string_view> match;
        std::size_t matches = 0;
        for (const std::string_view source : sources) {
            const std::string stem = Lowered(Stem(source));
            if (stem == objectStem) {
                return source;
            }
            const std::string asObject = stem + ".o";
            if (asObject.compare(0, wanted.size(), wanted) == 0) {
                match = source;
                ++matches;
            }
        }
        return matches == 1 ? match : std::nullopt;
    }

    void MakeRows(SizeTable& table) {
        // Objects first, in the order of their first bytes in the Section Info, then the special
        // rows.
        std::map<std::pair<bool, std::string>, std::uint32_t> rowOf;
        for (const bool special : {false, true}) {
            for (const std::vector<Piece>& pieces : m_pieces) {
                for (const Piece& piece : pieces) {
                    const bool isSpecial = piece.owner.kind == OwnerKind::kSpecial;
                    if (isSpecial == special &&
                        rowOf
                            .emplace(std::make_pair(special, piece.owner.name),
                                     static_cast<std::uint32_t>(table.rows.size()))
                            .second) {
                        table.AddRow(piece.owner.name,
                                     special ? RowKind::kSpecial : RowKind::kObject);
                    }
                }
            }
        }
        for (const std::vector<Piece>& pieces : m_pieces) {
            for (const Piece& piece : pieces) {
                const Section& section = m_listing.sections[piece.section];
                const std::uint32_t id =
                    rowOf.at({piece.owner.kind == OwnerKind::kSpecial, piece.owner.name});
                SizeRow& row = table.rows[id];
                const MemoryKind memory = MemoryOf(section);
                const auto bytes = static_cast<std::int64_t>(piece.bytes);
                (memory == MemoryKind::kRom   ? row.rom
                 : memory == MemoryKind::kRam ? row.ram
                                              : row.other) += bytes;
                SizePart part;
                part.rowId = id;
                part.name = table.names.Add(section.name);
                part.memory = memory;
                part.address = section.address + piece.offset;
                part.bytes = bytes;
                table.parts.push_back(part);
            }
        }
    }

    static MemoryTotals TotalsOfRows(const SizeTable& table) {
        MemoryTotals totals;
        for (const SizeRow& row : table.rows) {
            totals.rom += row.rom;
            totals.ram += row.ram;
            totals.other += row.other;
        }
        return totals;
    }

    // What the Section Info gives, each counted section once.
    MemoryTotals SectionTotals() const {
        MemoryTotals totals;
        for (std::size_t i = 0; i < m_listing.sections.size(); ++i) {
            const Section& section = m_listing.sections[i];
            if (IsCounted(section, m_leftOut[i])) {
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
            const std::uint64_t split = std::clamp(kOtherStart, range.first, end);
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
            const Section& section = m_listing.sections[i];
            if (IsCounted(section, m_leftOut[i])) {
                (section.program ? program : data)
                    .push_back({section.address, section.address + section.size});
            }
        }
        const CAddressSet programSet = CAddressSet::FromRanges(std::move(program));
        CAddressSet code;
        code.Add(0, kOtherStart);
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
            const Section& section = m_listing.sections[i];
            if (!section.program && section.size > 0) {
                ranges.push_back({section.address, section.address + section.size});
            }
        }
        const CAddressSet covered = CAddressSet::FromRanges(std::move(ranges));
        std::size_t stray = 0;
        for (const Symbol* symbol : m_dataSymbols) {
            if (Contains(covered, symbol->address)) {
                continue;
            }
            if (++stray <= kNamedProblems) {
                m_problems.push_back("Data symbol " + QuoteForMessage(symbol->name, kShown) +
                                     " at " + Hex(symbol->address) + " lies in no section");
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
            const Section& section = m_listing.sections[i];
            if (section.program && IsCounted(section, m_leftOut[i])) {
                imageSizes[section.name] += section.size;
            }
        }
        check.map = SectionTotals();
        std::size_t wrong = 0;
        for (std::size_t i = 0; i < m_listing.sections.size(); ++i) {
            const Section& section = m_listing.sections[i];
            if (section.program || section.type != "idata" || !IsCounted(section, m_leftOut[i])) {
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

    static bool Contains(const CAddressSet& set, std::uint64_t address) {
        const std::vector<AddressRange>& ranges = set.Ranges();
        const auto after = std::upper_bound(
            ranges.begin(), ranges.end(), address,
            [](std::uint64_t a, const AddressRange& range) { return a < range.begin; });
        return after != ranges.begin() && address < std::prev(after)->end;
    }

    static std::string Hex(std::uint64_t value) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        std::string text;
        do {
            text.insert(text.begin(), kDigits[value & 0xF]);
            value >>= 4;
        } while (value != 0);
        while (text.size() < 6) {
            text.insert(text.begin(), '0');
        }
        return "0x" + text;
    }

    const MplinkListing& m_listing;
    std::vector<const Symbol*> m_programSymbols;  // by address
    std::vector<const Symbol*> m_dataSymbols;
    std::vector<bool> m_fromProcessorFile;  // per symbol of the listing
    std::string m_device;
    std::vector<bool> m_leftOut;  // per section: special function registers
    std::int64_t m_leftOutBytes = 0;
    std::vector<std::vector<Piece>> m_pieces;  // per section
    std::map<std::string, std::vector<std::size_t>> m_objectSections;
    std::set<std::string> m_sdccModules;
    std::vector<std::string> m_problems;
};

}  // namespace

bool IsMplinkMap(std::string_view bytes) {
    // The header is in the first lines: looking at a few kilobytes keeps this cheap for a large
    // map of another family.
    constexpr std::size_t kHeaderBytes = 4096;
    return ReadHeader(SplitLines(bytes.substr(0, kHeaderBytes))).kind != HeaderKind::kNone;
}

SizeTable ReadMplinkMap(std::string_view bytes, const std::string& fileName) {
    const std::vector<Line> lines = SplitLines(bytes);
    const Header header = ReadHeader(lines);
    if (header.kind == HeaderKind::kNone) {
        throw MapError(fileName, 0,
                       "not a map of the MPLINK family: it does not start with the linker's name "
                       "and 'Map File - Created'");
    }
    if (header.kind == HeaderKind::kErrorMap) {
        throw MapError(fileName, header.titleLine,
                       "this is the error map of a failed link, which places no sections: " +
                           QuoteForMessage(Trim(lines[header.body - 1].text), kShown) +
                           "; fix the link and open the map it writes");
    }
    CListingReader reader(lines, fileName);
    const MplinkListing listing = reader.Read(header.body);
    return CMplinkTally(listing).Tally();
}
