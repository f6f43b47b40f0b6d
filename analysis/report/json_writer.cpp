#include "report/json_writer.h"

#include <cstddef>
#include <cstdint>

namespace {

// The length of the well-formed UTF-8 sequence that starts at bytes[i], or 0 when there is none
// (a stray continuation byte, an overlong form, a surrogate, a value above U+10FFFF, a cut-off
// sequence).
std::size_t WellFormedLength(std::string_view bytes, std::size_t i) {
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = at(i);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) {
            low = 0xA0;  // below it would be overlong
        } else if (lead == 0xED) {
            high = 0x9F;  // above it are the surrogates
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) {
            low = 0x90;
        } else if (lead == 0xF4) {
            high = 0x8F;  // beyond U+10FFFF
        }
    } else {
        return 0;
    }
    if (bytes.size() - i < length) {
        return 0;
    }
    if (at(i + 1) < low || at(i + 1) > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if (at(i + k) < 0x80 || at(i + k) > 0xBF) {
            return 0;
        }
    }
    return length;
}

}  // namespace

std::string ToValidUtf8(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const unsigned char byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80) {
            text += static_cast<char>(byte);
            ++i;
            continue;
        }
        const std::size_t length = WellFormedLength(bytes, i);
        if (length > 0) {
            text.append(bytes, i, length);
            i += length;
            continue;
        }
        // U+0080..U+00FF in UTF-8: two bytes, 110000xx 10xxxxxx.
        text += static_cast<char>(0xC0 | (byte >> 6));
        text += static_cast<char>(0x80 | (byte & 0x3F));
        ++i;
    }
    return text;
}

namespace {

// Printable ASCII other than the quote and the backslash: written as it is.
bool IsPlain(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\';
}

// The bytes as the inside of a JSON string literal.
void AppendEscaped(std::string& out, std::string_view bytes) {
    static const char kHexDigits[] = "0123456789abcdef";
    for (const char c : ToValidUtf8(bytes)) {
        const unsigned char byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (byte < 0x20) {
                    out += "\\u00";
                    out += kHexDigits[byte >> 4];
                    out += kHexDigits[byte & 0x0F];
                } else {
                    out += c;
                }
        }
    }
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view bytes) {
    out += '"';
    // Most names are plain ASCII throughout: the plain start is copied in one piece, and only
    // what follows it (which starts a character, as the start is ASCII) goes byte by byte.
    std::size_t plain = 0;
    while (plain < bytes.size() && IsPlain(bytes[plain])) {
        ++plain;
    }
    out.append(bytes.data(), plain);
    if (plain < bytes.size()) {
        AppendEscaped(out, bytes.substr(plain));
    }
    out += '"';
}
