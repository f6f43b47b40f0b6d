#include "readers/hlink/program_listing.h"

#include <utility>

#include "core/map_error.h"
#include "text/lines.h"
#include "text/numbers.h"
#include "text/words.h"

namespace {

// A heading of a later part of the map, such as "FUNCTION INFORMATION:": capital letters only,
// a colon at the end allowed.
bool IsHeading(const std::vector<MapWord>& tokens) {
    if (tokens.empty()) {
        return false;
    }
    for (const MapWord& token : tokens) {
        std::string_view word = token.text;
        if (word.back() == ':') {
            word.remove_suffix(1);
        }
        if (word.empty()) {
            return false;
        }
        for (char c : word) {
            if (c < 'A' || c > 'Z') {
                return false;
            }
        }
    }
    return true;
}

class CProgramReader {
public:
    CProgramReader(std::string_view bytes, const std::string& fileName)
        : m_bytes(bytes), m_fileName(fileName) {}

    ProgramListing Read() {
        CTextLines lines(m_bytes);
        std::string_view line;
        while (lines.Next(line)) {
            ReadLine(line, lines.Number());
        }
        return std::move(m_listing);
    }

private:
    enum class State { kOutside, kSymbols, kModules };

    void ReadLine(std::string_view line, long number) {
        const std::vector<MapWord> tokens = SplitWords(line);
        if (tokens.empty()) {
            return;
        }
        const bool columnZero = tokens[0].offset == 0;
        // A section ends at the first line that cannot belong to it; that line is read again
        // as part of what follows.
        for (;;) {
            switch (m_state) {
                case State::kOutside:
                    ReadOutsideLine(tokens);
                    return;
                case State::kSymbols:
                    if (ReadSymbolLine(line, tokens, columnZero, number)) {
                        return;
                    }
                    break;
                case State::kModules:
                    if (ReadModuleLine(line, tokens, columnZero, number)) {
                        return;
                    }
                    break;
            }
            m_state = State::kOutside;
        }
    }

    void ReadOutsideLine(const std::vector<MapWord>& tokens) {
        if (WordsAre(tokens, {"Symbol", "Table"})) {
            m_listing.hasSymbolTable = true;
            m_state = State::kSymbols;
        } else if (WordsAre(tokens, {"MODULE", "INFORMATION"})) {
            m_listing.hasModuleInformation = true;
            m_module = nullptr;
            m_state = State::kModules;
        }
    }

    // "name psect address", one or more to a line. The table ends at an indented line or a
    // heading that is no such line.
    bool ReadSymbolLine(std::string_view line, const std::vector<MapWord>& tokens, bool columnZero,
                        long number) {
        bool symbols = tokens.size() % 3 == 0;
        std::uint64_t address = 0;
        for (std::size_t i = 2; symbols && i < tokens.size(); i += 3) {
            symbols = ParseHex32(tokens[i].text, HexCase::kAny, address);
        }
        if (!symbols) {
            if (!columnZero || IsHeading(tokens)) {
                return false;
            }
            throw MapError(m_fileName, number,
                           "cannot read this line of the Symbol Table: " + Quote(Trim(line)));
        }
        for (std::size_t i = 0; i < tokens.size(); i += 3) {
            MapSymbol symbol;
            symbol.line = number;
            symbol.name = std::string(tokens[i].text);
            symbol.psect = std::string(tokens[i + 1].text);
            ParseHex32(tokens[i + 2].text, HexCase::kAny, symbol.address);
            m_listing.symbols.push_back(std::move(symbol));
        }
        return true;
    }

    // A module is its name in column 0, its items indented, and "NAME estimated size: N".
    bool ReadModuleLine(std::string_view line, const std::vector<MapWord>& tokens, bool columnZero,
                        long number) {
        if (WordsAre(tokens, {"Module", "Function", "Class", "Link", "Load", "Size"})) {
            return true;
        }
        const std::size_t n = tokens.size();
        if (columnZero && n >= 4 && tokens[n - 3].text == "estimated" &&
            tokens[n - 2].text == "size:") {
            const std::string_view name = TrimRight(line.substr(0, tokens[n - 3].offset));
            std::uint64_t size = 0;  // sizes are decimal, within 32 bits
            if (m_module == nullptr || name != m_module->name ||
                !ParseUnsignedDecimal(tokens[n - 1].text, kMax32, size)) {
                throw MapError(m_fileName, number,
                               "cannot read this line of MODULE INFORMATION: " + Quote(Trim(line)));
            }
            m_module->hasEstimate = true;
            m_module->estimatedSize = static_cast<std::int64_t>(size);
            m_module = nullptr;
            return true;
        }
        if (columnZero) {
            if (m_module == nullptr && IsHeading(tokens)) {
                return false;
            }
            m_listing.modules.push_back(
                SourceModule{number, std::string(Trim(line)), {}, false, 0});
            m_module = &m_listing.modules.back();
            return true;
        }
        if (m_module == nullptr) {
            return false;
        }
        ModuleItem item;
        item.line = number;
        std::uint64_t load = 0;
        std::uint64_t size = 0;
        if (n != 5 || !ParseHex32(tokens[2].text, HexCase::kAny, item.link) ||
            !ParseHex32(tokens[3].text, HexCase::kAny, load) ||
            !ParseUnsignedDecimal(tokens[4].text, kMax32, size)) {
            throw MapError(m_fileName, number,
                           "cannot read this line of MODULE INFORMATION: " + Quote(Trim(line)));
        }
        item.size = static_cast<std::int64_t>(size);
        item.name = std::string(tokens[0].text);
        item.className = std::string(tokens[1].text);
        m_module->items.push_back(std::move(item));
        return true;
    }

    static std::string Quote(std::string_view text) { return QuoteForMessage(text, 60); }

    std::string_view m_bytes;
    const std::string& m_fileName;
    ProgramListing m_listing;
    State m_state = State::kOutside;
    SourceModule* m_module = nullptr;  // the module whose items are being read
};

}  // namespace

ProgramListing ReadProgramListing(std::string_view bytes, const std::string& fileName) {
    return CProgramReader(bytes, fileName).Read();
}
