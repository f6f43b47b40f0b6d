#include "report/html_text.h"

#include "report/json_writer.h"

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
    const std::size_t slash = name.find_last_of("/\\");
    if (slash == std::string_view::npos || slash + 1 == name.size()) {
        return name;
    }
    return name.substr(slash + 1);
}
