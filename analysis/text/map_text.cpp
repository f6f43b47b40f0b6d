#include "text/map_text.h"

#include "readers/hlink/token_reader.h"

namespace {

bool IsSeparator(char c) {
    return !IsTokenByte(static_cast<unsigned char>(c));
}

}  // namespace

std::vector<MapWord> SplitWords(std::string_view line) {
    std::vector<MapWord> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsSeparator(line[i])) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && !IsSeparator(line[i])) {
            ++i;
        }
        if (i > start) {
            words.push_back({line.substr(start, i - start), start});
        }
    }
    return words;
}

std::string_view TrimRight(std::string_view text) {
    while (!text.empty() && IsSeparator(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsSeparator(text.front())) {
        text.remove_prefix(1);
    }
    return TrimRight(text);
}
