#include "report/html_text.h"

#include "text/names.h"
#include "text/utf8.h"

std::string Html(std::string_view bytes) {
    std::string text;
    for (const char c : ToValidUtf8(bytes)) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '&':
                text += "&amp;";
                break;
            case '<':
                text += "&lt;";
                break;
            case '>':
                text += "&gt;";
                break;
            case '"':
                text += "&quot;";
                break;
            case '\'':
                text += "&#39;";
                break;
            default:
                if (byte < 0x20 || byte == 0x7F) {
                    text += "\xE2\x90";
                    text += static_cast<char>(byte == 0x7F ? 0xA1 : 0x80 + byte);
                } else {
                    text += c;
                }
        }
    }
    return text;
}

std::string Signed(std::int64_t value) {
    return (value > 0 ? "+" : "") + std::to_string(value);
}

std::string_view ShortName(std::string_view name) {
    const std::string_view base = BaseName(name);
    return base.empty() ? name : base;
}
