#include "text/names.h"

namespace {

char LowerByte(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

char UpperByte(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

std::string AsciiLower(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) {
        c = LowerByte(c);
    }
    return lowered;
}

std::string AsciiUpper(std::string_view text) {
    std::string raised(text);
    for (char& c : raised) {
        c = UpperByte(c);
    }
    return raised;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerByte(a[i]) != LowerByte(b[i])) {
            return false;
        }
    }
    return true;
}
