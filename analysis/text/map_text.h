#pragma once

// The words of a map's lines, as every line reader splits them: runs of token bytes (anything but
// the control bytes, the space and DEL) between separators.

#include <cstddef>
#include <string_view>
#include <vector>

struct MapWord {
    std::string_view text;
    std::size_t offset = 0;  // of its first byte in the line
};

std::vector<MapWord> SplitWords(std::string_view line);

// The text without the separators at its end, or at both ends.
std::string_view TrimRight(std::string_view text);
std::string_view Trim(std::string_view text);
