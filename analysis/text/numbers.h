#pragma once

// Numbers as maps write them and reports print them: hexadecimal (section lengths in upper case,
// addresses in either case) and decimal, each read by one rule here.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// Which letters hexadecimal digits are read (upper case, or either) or printed in.
enum class HexCase : std::uint8_t { kUpper, kLower, kAny };

namespace number_detail {

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
bool ParseLongHex32(std::string_view text, HexCase letters, std::uint64_t& value);

}  // namespace number_detail

// The largest value of 32 bits, the limit of a map's addresses, lengths and fields.
inline constexpr std::uint64_t kMax32 = 0xFFFFFFFFu;

// 0-15 for 0-9 and A-F; 0xFF for any other byte, lower case included.
inline std::uint8_t HexDigitValue(char c) {
    return number_detail::kUpperDigits[static_cast<unsigned char>(c)];
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
        return number_detail::HexToIntAnyLength(text, value);
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

// Hexadecimal text of at least one digit (of `letters`: kUpper or kAny) whose value fits in 32
// bits, leading zeros allowed; false otherwise, value then undefined. Eight digits or fewer, as
// nearly every field has, always fit: their bad bytes are gathered rather than returned at.
inline bool ParseHex32(std::string_view text, HexCase letters, std::uint64_t& value) {
    if (text.size() - 1 >= 8) {  // also the empty text
        return number_detail::ParseLongHex32(text, letters, value);
    }
    const auto& digits =
        letters == HexCase::kUpper ? number_detail::kUpperDigits : number_detail::kAnyCaseDigits;
    std::uint32_t sum = 0;
    std::uint32_t bad = 0;
    for (char c : text) {
        const std::uint32_t digit = digits[static_cast<unsigned char>(c)];
        bad |= digit;
        sum = (sum << 4) | (digit & 0xFu);
    }
    value = sum;
    return bad <= 0xFu;
}

// Decimal digits, at least one, whose value is at most `limit`; false otherwise.
inline bool ParseUnsignedDecimal(std::string_view text, std::uint64_t limit, std::uint64_t& value) {
    if (text.empty()) {
        return false;
    }
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10u + static_cast<std::uint64_t>(c - '0');
        if (value > limit) {
            return false;
        }
    }
    return true;
}

// A decimal field that may be negative (a memory space, a scale): an optional minus sign, then
// digits whose value fits in 32 bits.
inline bool ParseSignedDecimal(std::string_view text, std::int64_t& value) {
    const bool negative = !text.empty() && text[0] == '-';
    std::uint64_t magnitude = 0;
    if (!ParseUnsignedDecimal(text.substr(negative ? 1 : 0), kMax32, magnitude)) {
        return false;
    }
    value = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return true;
}

// Converts a space-number token as atoi does (optional sign, then decimal digits up to the
// first other character; anything else gives 0), wrapping modulo 2^32 instead of overflowing.
// Inline: the listed scan converts one for every counted section.
inline std::int32_t DecimalToInt(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    }
    return static_cast<std::int32_t>(negative ? 0u - value : value);
}

// The value in hexadecimal digits (kUpper or kLower), at least `minDigits` of them with leading
// zeros ("300000"; "0A" for 10 with two digits).
std::string HexText(std::uint64_t value, std::size_t minDigits = 1,
                    HexCase letters = HexCase::kUpper);
