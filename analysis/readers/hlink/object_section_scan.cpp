#include "readers/hlink/object_section_scan.h"

#include <array>
#include <cstring>
#include <string>

#include "core/map_error.h"
#include "readers/hlink/map_listing.h"
#include "text/numbers.h"

namespace {

constexpr std::array<std::string_view, 27> kCountedSections = {
    "powerup", "irdata",      "ibigdata",  "bigdata",      "text",     "intcode", "config",
    "idloc",   "eeprom_data", "intcodelo", "init",         "end_init", "clrtext", "rbss",
    "bigbss",  "farbss",      "bss",       "rdata",        "data",     "nvrram",  "nvbit",
    "nvram",   "rbit",        "struct",    "intsave_regs", "temp",     "const"};

// The tokens the scan looks for besides object-file names. "Selector" followed by "Space" is the
// heading of the per-object table: as a stream of tokens has no lines, its two words in a row.
enum class TokenKind : std::uint8_t { kOther, kCountedSection, kEndMarker, kHeading };

struct KeyWord {
    std::string_view text;
    TokenKind kind;
};

// Most tokens of a map are numbers, paths and column headings. A hash of the length and the
// first and last bytes picks the one key word a token could be; the 27 counted names, the two
// end markers and the heading's word have 30 different hashes, which the static_assert below
// checks.
constexpr std::size_t kHashSlots = 64;

constexpr std::size_t KeyWordHash(std::size_t length, unsigned char first, unsigned char last) {
    return (first * 41u + last * 10u + length) % kHashSlots;
}

struct KeyWordTable {
    std::array<KeyWord, kHashSlots> slot{};  // kOther in free slots
    // For each first byte, bit n is set when a key word of length n starts with it: numbers and
    // most other tokens are turned away by this alone.
    std::array<std::uint16_t, 256> lengthsByFirstByte{};
    bool collisionFree = true;
};

constexpr std::string_view kHeadingWord = kTableHeading[4];      // Selector
constexpr std::string_view kHeadingNextWord = kTableHeading[5];  // Space

constexpr KeyWordTable MakeKeyWordTable() {
    KeyWordTable table;
    auto add = [&table](std::string_view text, TokenKind kind) {
        const std::size_t hash = KeyWordHash(text.size(), static_cast<unsigned char>(text.front()),
                                             static_cast<unsigned char>(text.back()));
        if (table.slot[hash].kind != TokenKind::kOther) {
            table.collisionFree = false;
        }
        table.slot[hash] = {text, kind};
        table.lengthsByFirstByte[static_cast<unsigned char>(text.front())] |=
            static_cast<std::uint16_t>(1u << text.size());
    };
    for (std::string_view name : kCountedSections) {
        add(name, TokenKind::kCountedSection);
    }
    add("COMMON", TokenKind::kEndMarker);
    add("TOTAL", TokenKind::kEndMarker);
    add(kHeadingWord, TokenKind::kHeading);
    return table;
}

constexpr KeyWordTable kKeyWords = MakeKeyWordTable();
static_assert(kKeyWords.collisionFree, "two key words share a hash slot");

constexpr std::size_t kLongestKeyWord = 12;
static_assert(kLongestKeyWord < 16, "lengths must fit the bits of lengthsByFirstByte");

// Unaligned load of a few bytes; compiles to one move.
template <typename T>
inline T Load(const char* bytes) {
    T value;
    std::memcpy(&value, bytes, sizeof(value));
    return value;
}

// Equal bytes, for lengths of 2 to 16: two loads that overlap, one at each end, and no branch on
// the bytes themselves.
template <typename T>
inline bool SameEnds(const char* a, const char* b, std::size_t length) {
    // The differences are combined with | on the loaded words, so that both ends are compared
    // without a branch between them.
    return ((Load<T>(a) ^ Load<T>(b)) |
            (Load<T>(a + length - sizeof(T)) ^ Load<T>(b + length - sizeof(T)))) == 0;
}

inline bool SameBytes(const char* a, const char* b, std::size_t length) {
    if (length >= 8) {
        return SameEnds<std::uint64_t>(a, b, length);
    }
    if (length >= 4) {
        return SameEnds<std::uint32_t>(a, b, length);
    }
    return SameEnds<std::uint16_t>(a, b, length);
}

inline TokenKind KeyWordKind(std::string_view token) {
    const std::size_t n = token.size();
    if (n == 0 || n > kLongestKeyWord) {
        return TokenKind::kOther;
    }
    const auto first = static_cast<unsigned char>(token.front());
    if (((static_cast<unsigned>(kKeyWords.lengthsByFirstByte[first]) >> n) & 1u) == 0) {
        return TokenKind::kOther;
    }
    const KeyWord& candidate =
        kKeyWords.slot[KeyWordHash(n, first, static_cast<unsigned char>(token.back()))];
    if (candidate.text.size() != n || !SameBytes(token.data(), candidate.text.data(), n)) {
        return TokenKind::kOther;
    }
    return candidate.kind;
}

std::string Quote(std::string_view token) {
    return QuoteForMessage(token, 40);
}

}  // namespace

ScanSummary ScanObjectSection(CMapStream& stream, SizeTable& table, EmptyRows empty) {
    ScanSummary summary;
    const std::size_t rowsBefore = table.rows.size();
    // The current entry's name and sums are kept here, the sums where they can stay in registers
    // rather than added to the entry record by record; the entry is made when the next object
    // file or the end comes. Space 0 is ROM, every other space RAM, in the listed rule's wrapping
    // 32-bit arithmetic. The name is a view of the token while the scan stays in its block, and
    // copied only when the scan is about to leave it: most names (the linker's command line
    // names every object file) are followed by no counted section and need no copy.
    std::string_view name;
    std::string nameCopy;
    bool named = false;
    std::uint32_t romSum = 0;
    std::uint32_t ramSum = 0;
    const auto storeSums = [&]() {
        const std::int64_t rom = SumSizes(SectionRule::kListed, 0, romSum);
        const std::int64_t ram = SumSizes(SectionRule::kListed, 0, ramSum);
        if (named && (empty == EmptyRows::kKeep || rom != 0 || ram != 0)) {
            SizeRow& row = table.AddRow(name, RowKind::kObject);
            row.rom = rom;
            row.ram = ram;
        }
    };
    CTokenCursor tokens(stream);
    // Before reading `count` tokens.
    const auto keepName = [&](std::size_t count) {
        if (named && name.data() != nameCopy.data() && !tokens.InBlock(count)) {
            nameCopy.assign(name);
            name = nameCopy;
        }
    };
    std::string_view pending;  // a token read ahead that is still to be examined
    for (;;) {
        if (pending.empty()) {
            keepName(1);
        }
        std::string_view token = pending.empty() ? tokens.Next() : pending;
        pending = {};
        if (token.empty()) {
            break;
        }
        if (IsObjectFileName(token)) {
            summary.objectFile = true;
            storeSums();
            name = token;
            named = true;
            romSum = 0;
            ramSum = 0;
            continue;  // no object-file name is also a section name
        }
        const TokenKind kind = KeyWordKind(token);
        if (kind == TokenKind::kEndMarker) {
            summary.endMarker = true;
            break;
        }
        if (kind == TokenKind::kHeading) {
            keepName(1);
            pending = tokens.Next();
            if (pending == kHeadingNextWord) {
                summary.tableHeading = true;
                pending = {};
            }
            continue;
        }
        if (kind != TokenKind::kCountedSection) {
            continue;
        }

        // Section record: two unused tokens, the length, then (for a non-zero length) one
        // unused token and the space number. A record cut off by the end of input adds nothing.
        keepName(5);
        if (!tokens.Skip(2)) {
            break;
        }
        const std::string_view lengthText = tokens.Next();
        if (lengthText.empty()) {
            break;
        }
        std::int32_t length = 0;
        if (!HexToInt(lengthText, length)) {
            tokens.Sync();
            table.rows.resize(rowsBefore);
            throw MapError(
                stream.Name(), stream.Line(),
                "section length " + Quote(lengthText) + " is not upper-case hexadecimal");
        }
        if (length == 0) {
            continue;
        }
        if (!tokens.Skip(1)) {
            break;
        }
        const std::string_view spaceText = tokens.Next();
        if (spaceText.empty()) {
            break;
        }
        // Before the first object-file name there is no entry to take the sizes: they are
        // gathered, and dropped with the sums of the first name.
        const std::int32_t space = DecimalToInt(spaceText);
        const auto bytes = static_cast<std::uint32_t>(length);
        const std::uint32_t inRom = 0u - static_cast<std::uint32_t>(space == 0);  // all ones or 0
        romSum += bytes & inRom;
        ramSum += bytes & ~inRom;
    }
    storeSums();
    tokens.Sync();
    summary.lastLine = stream.Line();
    return summary;
}
