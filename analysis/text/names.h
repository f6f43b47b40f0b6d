#pragma once

// Comparing and taking apart names: prefixes and suffixes, a path's last part, ASCII case.

#include <string>
#include <string_view>

inline bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

inline bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// The part of a path after its last slash or backslash (empty when it ends in one).
inline std::string_view BaseName(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The text with its ASCII letters in lower or upper case; every other byte as it is.
std::string AsciiLower(std::string_view text);
std::string AsciiUpper(std::string_view text);

// Equal but for the case of ASCII letters.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);
