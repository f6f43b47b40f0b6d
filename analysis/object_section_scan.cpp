#include "object_section_scan.h"

#include <array>
#include <cstring>
#include <string>

#include "map_error.h"
#include "wrapping.h"

namespace {

constexpr std::array<std::string_view, 27> kCountedSections = {
    "powerup", "irdata",      "ibigdata",  "bigdata",      "text",     "intcode", "config",
    "idloc",   "eeprom_data", "intcodelo", "init",         "end_init", "clrtext", "rbss",
    "bigbss",  "farbss",      "bss",       "rdata",        "data",     "nvrram",  "nvbit",
    "nvram",   "rbit",        "struct",    "intsave_regs", "temp",     "const"};

// The tokens the scan looks for besides object-file names.
enum class TokenKind : std::uint8_t { kOther, kCountedSection, kEndMarker };

struct KeyWord {
    std::string_view text;
    TokenKind kind;
};

// Most tokens of a map are numbers, paths and column headings. A hash of the length and the
// first and last bytes picks the one key word a token could be; the 27 counted names and the two
// end markers have 29 different hashes, which the static_assert below checks.
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
    return (Load<T>(a) == Load<T>(b)) &
           (Load<T>(a + length - sizeof(T)) == Load<T>(b + length - sizeof(T)));
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

// The last byte first: few tokens end in 'j', so the test is decided at once for most.
inline bool EndsInObj(std::string_view token) {
    const std::size_t n = token.size();
    return n != 0 && token[n - 1] == 'j' && n >= 4 &&
           Load<std::uint32_t>(token.data() + n - 4) == Load<std::uint32_t>(".obj");
}

// Digit values of upper-case hexadecimal; 0xFF marks every other byte.
constexpr std::array<std::uint8_t, 256> MakeHexTable() {
    std::array<std::uint8_t, 256> table{};
    for (auto& value : table) {
        value = 0xFF;
    }
    for (int c = '0'; c <= '9'; ++c) {
        table[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - '0');
    }
    for (int c = 'A'; c <= 'F'; ++c) {
        table[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - 'A' + 10);
    }
    return table;
}

constexpr std::array<std::uint8_t, 256> kHexDigit = MakeHexTable();

// The value of a section length modulo 2^32, or false when it is not upper-case hexadecimal.
// Bad bytes are gathered rather than returned at, which keeps the loop short.
bool ParseAnyLength(std::string_view text, std::int32_t& length) {
    std::uint32_t sum = 0;
    std::uint32_t bad = 0;
    for (char c : text) {
        const std::uint32_t digit = kHexDigit[static_cast<unsigned char>(c)];
        bad |= digit >> 4;  // 0xFF marks a byte that is no digit
        sum = (sum << 4) | (digit & 0xFu);
    }
    length = static_cast<std::int32_t>(sum);
    return bad == 0;
}

// The same, for the lengths of one to four digits that nearly every section has (a PIC18's
// program memory is at most FFFF bytes), without a branch on the number of digits: it varies
// from record to record and would be mispredicted. Always four steps; the places before the
// first digit count as leading zeros.
inline bool ParseLength(std::string_view text, std::int32_t& length) {
    constexpr std::size_t kPlaces = 4;
    const std::size_t n = text.size();
    if (n - 1 >= kPlaces) {  // also the empty text
        return ParseAnyLength(text, length);
    }
    std::uint32_t sum = 0;
    std::uint32_t bad = 0;
    for (std::size_t place = 0; place < kPlaces; ++place) {
        const bool inside = place + n >= kPlaces;
        // Outside the text, byte 0 is read and its value masked away.
        const std::size_t index =
            (place + n - kPlaces) & (std::size_t{0} - static_cast<std::size_t>(inside));
        const std::uint32_t digit = kHexDigit[static_cast<unsigned char>(text[index])] &
                                    (0u - static_cast<std::uint32_t>(inside));
        bad |= digit >> 4;
        sum = (sum << 4) | (digit & 0xFu);
    }
    length = static_cast<std::int32_t>(sum);
    return bad == 0;
}

std::string Quote(std::string_view token) {
    return QuoteForMessage(token, 40);
}

}  // namespace

bool IsObjectFileName(std::string_view token) {
    return EndsInObj(token);
}

bool IsCountedSection(std::string_view token) {
    return KeyWordKind(token) == TokenKind::kCountedSection;
}

bool IsEndMarker(std::string_view token) {
    return KeyWordKind(token) == TokenKind::kEndMarker;
}

void ScanObjectSection(CMapStream& stream, EntryList& entries) {
    EntryList found;
    CObjectFileEntry* current = nullptr;
    // The current entry's sums are kept here, where they can stay in registers, rather than added
    // to the entry record by record; they are stored when the next object file or the end comes.
    // As AddSize does: space 0 is ROM, every other space RAM, in wrapping 32-bit arithmetic.
    std::uint32_t romSum = 0;
    std::uint32_t ramSum = 0;
    std::int32_t lastSpace = 0;
    const auto storeSums = [&]() {
        if (current != nullptr) {
            current->m_romSize = static_cast<std::int32_t>(romSum);
            current->m_ramSize = static_cast<std::int32_t>(ramSum);
            current->m_space = lastSpace;
        }
    };
    CTokenCursor tokens(stream);
    for (;;) {
        const std::string_view token = tokens.Next();
        if (token.empty()) {
            break;
        }
        if (EndsInObj(token)) {
            storeSums();
            auto entry = std::make_unique<CObjectFileEntry>();
            entry->m_name.assign(token.data(), token.size());
            current = entry.get();
            found.push_back(std::move(entry));
            romSum = 0;
            ramSum = 0;
            lastSpace = 0;
            continue;  // no object-file name is also a section name
        }
        const TokenKind kind = KeyWordKind(token);
        if (kind == TokenKind::kEndMarker) {
            break;
        }
        if (kind != TokenKind::kCountedSection) {
            continue;
        }

        // Section record: two unused tokens, the length, then (for a non-zero length) one
        // unused token and the space number. A record cut off by the end of input adds nothing.
        if (!tokens.Skip(2)) {
            break;
        }
        const std::string_view lengthText = tokens.Next();
        if (lengthText.empty()) {
            break;
        }
        std::int32_t length = 0;
        if (!ParseLength(lengthText, length)) {
            tokens.Sync();
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
        lastSpace = space;
        const std::uint32_t inRom = 0u - static_cast<std::uint32_t>(space == 0);  // all ones or 0
        romSum += bytes & inRom;
        ramSum += bytes & ~inRom;
    }
    storeSums();
    if (entries.empty()) {
        entries.swap(found);
        return;
    }
    entries.reserve(entries.size() + found.size());
    for (auto& entry : found) {
        entries.push_back(std::move(entry));
    }
}
