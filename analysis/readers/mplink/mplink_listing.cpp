#include "readers/mplink/mplink_listing.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <set>

#include "core/map_error.h"
#include "text/names.h"
#include "text/numbers.h"
#include "text/words.h"

namespace {

constexpr std::size_t kShown = 60;  // of a line quoted in an error message
// Counts of addresses have at most ten digits, which keeps every sum far from overflow.
constexpr std::size_t kMaxDecimalDigits = 10;

using Words = std::vector<MapWord>;

// Whether the words start with these, compared without regard to case.
bool StartsWithWords(const Words& words, std::initializer_list<std::string_view> expected) {
    return words.size() >= expected.size() &&
           std::equal(expected.begin(), expected.end(), words.begin(),
                      [](std::string_view a, const MapWord& b) {
                          return EqualsIgnoringAsciiCase(a, b.text);
                      });
}

bool ParseCount(std::string_view word, std::uint64_t& value) {
    return word.size() <= kMaxDecimalDigits && ParseUnsignedDecimal(word, UINT64_MAX, value);
}

bool AllDashes(const Words& words) {
    return std::all_of(words.begin(), words.end(), [](const MapWord& word) {
        return word.text.find_first_not_of('-') == std::string_view::npos;
    });
}

bool IsLinkerLine(const Words& words) {
    if (words.empty()) {
        return false;
    }
    // "MPLINK 4.46, Linker" or "gplink-1.4.0 #1107 (Jan  1 2021)".
    constexpr std::string_view kGplink = "gplink-";
    const std::string_view first = words[0].text;
    const bool gplink = first.size() > kGplink.size() && StartsWith(first, kGplink) &&
                        std::isdigit(static_cast<unsigned char>(first[kGplink.size()]));
    return gplink || (first == "MPLINK" && words.size() >= 2);
}

enum class Table { kNone, kSections, kUsage, kSymbolsByName, kSymbolsByAddress };

class CListingReader {
public:
    explicit CListingReader(const std::string& fileName) : m_fileName(fileName) {}

    MplinkListing Read(CTextLines& lines) {
        std::string_view line;
        while (lines.Next(line)) {
            ReadLine(line, lines.Number());
        }
        if (!m_seen.count(Table::kSections)) {
            throw MapError(m_fileName, 0, "the map has no Section Info table");
        }
        return std::move(m_listing);
    }

private:
    [[noreturn]] void Fail(std::string_view line, long number, const std::string& what) const {
        throw MapError(m_fileName, number, what + ": " + QuoteForMessage(line, kShown));
    }

    void ReadLine(std::string_view line, long number) {
        const Words words = SplitWords(line);
        if (words.empty() || AllDashes(words)) {
            return;
        }
        m_line = line;
        m_number = number;
        if (StartTable(words)) {
            return;
        }
        switch (m_table) {
            case Table::kNone:
                Fail(line, number, "a line outside the map's tables");
            case Table::kSections:
                if (!WordsAre(words, {"Section", "Type", "Address", "Location", "Size(Bytes)"})) {
                    ReadSection(words);
                }
                return;
            case Table::kUsage:
                if (!WordsAre(words, {"Start", "End"})) {
                    ReadUsage(words);
                }
                return;
            case Table::kSymbolsByName:
            case Table::kSymbolsByAddress:
                if (!WordsAre(words, {"Name", "Address", "Location", "Storage", "File"})) {
                    ReadSymbol(words);
                }
                return;
        }
    }

    [[noreturn]] void Fail(const std::string& what) const { Fail(m_line, m_number, what); }

    bool StartTable(const Words& words) {
        Table table = Table::kNone;
        if (WordsAre(words, {"Section", "Info"})) {
            table = Table::kSections;
        } else if (WordsAre(words, {"Program", "Memory", "Usage"})) {
            table = Table::kUsage;
            m_listing.hasUsage = true;
        } else if (WordsAre(words, {"Symbols", "-", "Sorted", "by", "Name"})) {
            table = Table::kSymbolsByName;
        } else if (WordsAre(words, {"Symbols", "-", "Sorted", "by", "Address"})) {
            table = Table::kSymbolsByAddress;
        } else {
            return false;
        }
        if (!m_seen.insert(table).second) {
            Fail("a second copy of this table");
        }
        // Both symbol tables list the same symbols: the first one read is kept.
        m_keepSymbols = !m_listing.hasSymbols;
        if (table == Table::kSymbolsByName || table == Table::kSymbolsByAddress) {
            m_listing.hasSymbols = true;
        }
        m_table = table;
        return true;
    }

    std::uint64_t Hex(std::string_view word, const char* what) const {
        std::uint64_t value = 0;
        if (!ParseMplinkHex(word, value)) {
            Fail(std::string(what) + " " + QuoteForMessage(word, kShown) +
                 " is not a hexadecimal number of at most 8 digits after 0x");
        }
        return value;
    }

    bool Program(std::string_view word) const {
        if (word != "program" && word != "data") {
            Fail("location " + QuoteForMessage(word, kShown) + " is neither 'program' nor 'data'");
        }
        return word == "program";
    }

    // "   .code_main.o       code   0x000000    program   0x000012": the name is right-aligned
    // in its column, and a longer one pushes the other fields right, so they are read from the
    // right.
    void ReadSection(const Words& words) {
        if (words.size() < 5) {
            Fail("a section line needs a name, type, address, location and size");
        }
        const std::size_t n = words.size();
        MplinkSection section;
        section.line = m_number;
        section.name = Trim(m_line.substr(0, words[n - 4].offset));
        section.type = words[n - 4].text;
        section.address = Hex(words[n - 3].text, "section address");
        section.program = Program(words[n - 2].text);
        section.size = Hex(words[n - 1].text, "section size");
        m_listing.sections.push_back(section);
    }

    // "0x000000    0x000005" (both ends included), then "N out of M program addresses used,
    // ..." (MPLINK) or "N program addresses used" (gplink).
    void ReadUsage(const Words& words) {
        std::uint64_t first = 0;
        std::uint64_t last = 0;
        if (words.size() == 2 && ParseMplinkHex(words[0].text, first) &&
            ParseMplinkHex(words[1].text, last)) {
            if (last < first) {
                Fail("a program memory range that ends before it starts");
            }
            m_listing.usage.push_back({first, last});
            return;
        }
        const auto is = [&](std::size_t i, std::string_view word) { return words[i].text == word; };
        std::uint64_t used = 0;
        std::uint64_t of = 0;
        std::size_t at = 1;
        if (words.size() >= 4 && is(1, "out") && is(2, "of") && ParseCount(words[3].text, of)) {
            at = 4;
        }
        const bool countLine =
            ParseCount(words[0].text, used) && words.size() >= at + 3 && is(at, "program") &&
            is(at + 1, "addresses") &&
            (is(at + 2, "used") || (is(at + 2, "used,") && words.size() > at + 3));
        if (!countLine || (at == 1 && words.size() != 4)) {
            Fail("neither a program memory range nor the count of program addresses used");
        }
        if (m_listing.hasUsedCount) {
            Fail("a second count of program addresses used");
        }
        m_listing.hasUsedCount = true;
        m_listing.usedCount = used;
    }

    // "   _entry   0x000000    program     extern C:\mcc18\src\startup\c018i.c": the file is the
    // rest of the line, spaces and all, or nothing for a label the linker made.
    void ReadSymbol(const Words& words) {
        if (words.size() < 4) {
            Fail("a symbol line needs a name, address, location and storage");
        }
        MplinkSymbol symbol;
        symbol.name = words[0].text;
        symbol.address = Hex(words[1].text, "symbol address");
        symbol.program = Program(words[2].text);
        symbol.file = Trim(m_line.substr(words[3].offset + words[3].text.size()));
        if (m_keepSymbols) {
            m_listing.symbols.push_back(symbol);
        }
    }

    const std::string& m_fileName;
    MplinkListing m_listing;
    Table m_table = Table::kNone;
    std::set<Table> m_seen;
    bool m_keepSymbols = false;
    std::string_view m_line;  // the line being read, and its number
    long m_number = 0;
};

}  // namespace

MplinkHeader ReadMplinkHeader(CTextLines& lines) {
    MplinkHeader header;
    std::string_view line;
    const auto nextNonBlank = [&]() -> Words {
        while (lines.Next(line)) {
            Words words = SplitWords(line);
            if (!words.empty()) {
                return words;
            }
        }
        return {};
    };
    if (!IsLinkerLine(nextNonBlank())) {
        return header;
    }
    const Words title = nextNonBlank();
    if (StartsWithWords(title, {"Linker", "Error", "Map", "File"})) {
        header.kind = MplinkHeaderKind::kErrorMap;
    } else if (StartsWithWords(title, {"Linker", "Map", "File", "-", "Created"}) ||
               StartsWithWords(title, {"Map", "File", "-", "Created"})) {
        header.kind = MplinkHeaderKind::kMap;
    } else {
        return header;
    }
    header.titleLine = lines.Number();
    header.titleText = line;
    return header;
}

MplinkListing ReadMplinkListing(CTextLines& lines, const std::string& fileName) {
    return CListingReader(fileName).Read(lines);
}

bool ParseMplinkHex(std::string_view word, std::uint64_t& value) {
    constexpr std::size_t kMaxHexDigits = 8;
    return word.size() >= 3 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X') &&
           word.size() - 2 <= kMaxHexDigits && ParseHex32(word.substr(2), HexCase::kAny, value);
}

CSymbolsByAddress::CSymbolsByAddress(const std::vector<MplinkSymbol>& symbols) {
    for (const MplinkSymbol& symbol : symbols) {
        (symbol.program ? m_program : m_data).push_back(&symbol);
    }
    for (std::vector<const MplinkSymbol*>* list : {&m_program, &m_data}) {
        std::stable_sort(
            list->begin(), list->end(),
            [](const MplinkSymbol* a, const MplinkSymbol* b) { return a->address < b->address; });
    }
}

std::pair<CSymbolsByAddress::Iterator, CSymbolsByAddress::Iterator> CSymbolsByAddress::In(
    const MplinkSection& section) const {
    const std::vector<const MplinkSymbol*>& symbols = section.program ? m_program : m_data;
    const auto below = [](const MplinkSymbol* symbol, std::uint64_t address) {
        return symbol->address < address;
    };
    return {
        std::lower_bound(symbols.begin(), symbols.end(), section.address, below),
        std::lower_bound(symbols.begin(), symbols.end(), section.address + section.size, below)};
}
