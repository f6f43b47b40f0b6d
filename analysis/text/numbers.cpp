#include "text/numbers.h"

// Bad bytes are gathered rather than returned at, which keeps the loop short.
bool number_detail::HexToIntAnyLength(std::string_view text, std::int32_t& value) {
    std::uint32_t sum = 0;
    std::uint32_t bad = 0;
    for (char c : text) {
        const std::uint32_t digit = HexDigitValue(c);
        bad |= digit >> 4;
        sum = (sum << 4) | (digit & 0xFu);
    }
    value = static_cast<std::int32_t>(sum);
    return bad == 0;
}

bool number_detail::ParseLongHex32(std::string_view text, HexCase letters, std::uint64_t& value) {
    if (text.empty()) {
        return false;
    }
    const auto& digits = letters == HexCase::kUpper ? kUpperDigits : kAnyCaseDigits;
    value = 0;
    for (char c : text) {
        const std::uint8_t digit = digits[static_cast<unsigned char>(c)];
        if (digit > 15 || value > (kMax32 >> 4)) {
            return false;
        }
        value = value * 16u + digit;
    }
    return true;
}

std::string HexText(std::uint64_t value, std::size_t minDigits, HexCase letters) {
    const char* const digits = letters == HexCase::kLower ? "0123456789abcdef" : "0123456789ABCDEF";
    char text[16];
    std::size_t start = sizeof text;
    do {
        text[--start] = digits[value % 16];
        value /= 16;
    } while (value != 0);
    std::string result(minDigits > sizeof text - start ? minDigits - (sizeof text - start) : 0,
                       '0');
    result.append(text + start, sizeof text - start);
    return result;
}
