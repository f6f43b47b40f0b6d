#include "readers/hlink/program_listing.h"

#include <initializer_list>
#include <utility>

#include "text/hex_text.h"
#include "core/map_error.h"
#include "text/map_text.h"
#include "readers/hlink/token_reader.h"

namespace {

constexpr std::uint64_t kMaxNumber = 0xFFFFFFFFu;

using Token = MapWord;

std::vector<Token> SplitLine(std::string_view line) {
    return SplitWords(line);
}

// Hexadecimal digits of either case whose value fits in 32 bits.
bool ParseHex(std::string_view text, std::uint64_t& value) {
    return ParseHexNumber(text, false, kMaxNumber, value);
}

// Decimal digits whose value fits in 32 bits.
bool ParseDecimal(std::string_view text, std::int64_t& value) {
    if (text.empty()) {
        return false;
    }
    std::uint64_t magnitude = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        magnitude = magnitude * 10u + static_cast<std::uint64_t>(c - '0');
        if (magnitude > kMaxNumber) {
            return false;
        }
    }
    value = static_cast<std::int64_t>(magnitude);
    return true;
}

bool IsWords(const std::vector<Token>& tokens, std::initializer_list<std::string_view> words) {
    if (tokens.size() != words.size()) {
        return false;
    }
    std::size_t i = 0;
    for (std::string_view word : words) {
        if (tokens[i++].text != word) {
            return false;
        }
    }
    return true;
}

// A heading of a later part of the map, such as "FUNCTION INFORMATION:": capital letters only,
// a colon at the end allowed.
bool IsHeading(const std::vector<Token>& tokens) {
    if (tokens.empty()) {
        return false;
    }
    for (const Token& token : tokens) {
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
        std::size_t pos = 0;
        long number = 0;
        while (pos < m_bytes.size()) {
            std::size_t next = m_bytes.find('\n', pos);
            if (next == std::string_view::npos) {
                next = m_bytes.size();
            }
            ++number;
            ReadLine(m_bytes.substr(pos, next - pos), number);
            pos = next + 1;
        }
        return std::move(m_listing);
    }

private:
    enum class State { kOutside, kSymbols, kModules };

    void ReadLine(std::string_view line, long number) {
        const std::vector<Token> tokens = SplitLine(line);
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

    void ReadOutsideLine(const std::vector<Token>& tokens) {
        if (IsWords(tokens, {"Symbol", "Table"})) {
            m_listing.hasSymbolTable = true;
            m_state = State::kSymbols;
        } else if (IsWords(tokens, {"MODULE", "INFORMATION"})) {
            m_listing.hasModuleInformation = true;
            m_module = nullptr;
            m_state = State::kModules;
        }
    }

    // "name psect address", one or more to a line. The table ends at an indented line or a
    // heading that is no such line.
    bool ReadSymbolLine(std::string_view line, const std::vector<Token>& tokens, bool columnZero,
                        long number) {
        bool symbols = tokens.size() % 3 == 0;
        std::uint64_t address = 0;
        for (std::size_t i = 2; symbols && i < tokens.size(); i += 3) {
            symbols = ParseHex(tokens[i].text, address);
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
            ParseHex(tokens[i + 2].text, symbol.address);
            m_listing.symbols.push_back(std::move(symbol));
        }
        return true;
    }

    // A module is its name in column 0, its items indented, and "NAME estimated size: N".
    bool ReadModuleLine(std::string_view line, const std::vector<Token>& tokens, bool columnZero,
                        long number) {
        if (IsWords(tokens, {"Module", "Function", "Class", "Link", "Load", "Size"})) {
            return true;
        }
        const std::size_t n = tokens.size();
        if (columnZero && n >= 4 && tokens[n - 3].text == "estimated" &&
            tokens[n - 2].text == "size:") {
            const std::string_view name = TrimRight(line.substr(0, tokens[n - 3].offset));
            std::int64_t size = 0;
            if (m_module == nullptr || name != m_module->name ||
                !ParseDecimal(tokens[n - 1].text, size)) {
                throw MapError(m_fileName, number,
                               "cannot read this line of MODULE INFORMATION: " + Quote(Trim(line)));
            }
            m_module->hasEstimate = true;
            m_module->estimatedSize = size;
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
        if (n != 5 || !ParseHex(tokens[2].text, item.link) || !ParseHex(tokens[3].text, load) ||
            !ParseDecimal(tokens[4].text, item.size)) {
            throw MapError(m_fileName, number,
                           "cannot read this line of MODULE INFORMATION: " + Quote(Trim(line)));
        }
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
