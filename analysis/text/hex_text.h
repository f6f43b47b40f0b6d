#pragma once

// Hexadecimal numbers of a map: section lengths (upper case only) and addresses.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace hex_detail {

// Digit values of 0-9 and A-F (and a-f in the second table); 0xFF marks every other byte.
constexpr std::array<std::uint8_t, 256> MakeDigitTable(bool lowerCase) {
    std::array<std::uint8_t, 256> table{};
    for (auto& value : table) {
        value = 0xFF;
    }
    for (int c = '0'; c <= '9'; ++c) {
        table[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - '0');
    }
    for (int c = 'A'; c <= 'F'; ++c) {
        table[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - 'A' + 10);
        if (lowerCase) {
            table[static_cast<std::size_t>(c - 'A' + 'a')] =
                static_cast<std::uint8_t>(c - 'A' + 10);
        }
    }
    return table;
}

inline constexpr std::array<std::uint8_t, 256> kUpperDigits = MakeDigitTable(false);
inline constexpr std::array<std::uint8_t, 256> kAnyCaseDigits = MakeDigitTable(true);

bool HexToIntAnyLength(std::string_view text, std::int32_t& value);

}  // namespace hex_detail

// 0-15 for 0-9 and A-F; 0xFF for any other byte, lower case included.
inline std::uint8_t HexDigitValue(char c) {
    return hex_detail::kUpperDigits[static_cast<unsigned char>(c)];
}

// The value of upper-case hexadecimal text modulo 2^32, as a signed 32-bit number (the empty text
// is 0); false when the text holds any other byte. Inline, and for the one to four digits that
// nearly every section length has without a branch on the number of digits: it varies from
// record to record and would be mispredicted. Always four steps; places before the first digit
// count as leading zeros.
inline bool HexToInt(std::string_view text, std::int32_t& value) {
    constexpr std::size_t kPlaces = 4;
    const std::size_t n = text.size();
    if (n - 1 >= kPlaces) {  // also the empty text
        return hex_detail::HexToIntAnyLength(text, value);
    }
    std::uint32_t sum = 0;
    std::uint32_t bad = 0;
    for (std::size_t place = 0; place < kPlaces; ++place) {
        const bool inside = place + n >= kPlaces;
        // Outside the text, byte 0 is read and its value masked away.
        const std::size_t index =
            (place + n - kPlaces) & (std::size_t{0} - static_cast<std::size_t>(inside));
        const std::uint32_t digit =
            HexDigitValue(text[index]) & (0u - static_cast<std::uint32_t>(inside));
        bad |= digit >> 4;  // 0xFF marks a byte that is no digit
        sum = (sum << 4) | (digit & 0xFu);
    }
    value = static_cast<std::int32_t>(sum);
    return bad == 0;
}

// Hexadecimal text of at least one digit (upper case only, or either case) whose value is at
// most `limit`; false otherwise, value then undefined.
bool ParseHexNumber(std::string_view text, bool upperOnly, std::uint64_t limit,
                    std::uint64_t& value);

// The value in upper-case hexadecimal digits, without leading zeros ("300000").
std::string HexText(std::uint64_t value);
