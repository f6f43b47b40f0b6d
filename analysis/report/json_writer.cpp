#include "report/json_writer.h"

#include <cstddef>
#include <cstdint>

#include "text/numbers.h"
#include "text/utf8.h"

namespace {

// Printable ASCII other than the quote and the backslash: written as it is.
bool IsPlain(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\';
}

// The bytes as the inside of a JSON string literal.
void AppendEscaped(std::string& out, std::string_view bytes) {
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
                    out += HexText(byte, 2, HexCase::kLower);
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
