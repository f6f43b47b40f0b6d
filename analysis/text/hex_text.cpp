#include "text/hex_text.h"

// Bad bytes are gathered rather than returned at, which keeps the loop short.
bool hex_detail::HexToIntAnyLength(std::string_view text, std::int32_t& value) {
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

bool ParseHexNumber(std::string_view text, bool upperOnly, std::uint64_t limit,
                    std::uint64_t& value) {
    if (text.empty()) {
        return false;
    }
    const auto& digits = upperOnly ? hex_detail::kUpperDigits : hex_detail::kAnyCaseDigits;
    value = 0;
    for (char c : text) {
        const std::uint8_t digit = digits[static_cast<unsigned char>(c)];
        if (digit > 15 || value > (limit >> 4)) {
            return false;
        }
        value = value * 16u + digit;
    }
    return value <= limit;
}

std::string HexText(std::uint64_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value % 16]);
        value /= 16;
    } while (value != 0);
    return text;
}
