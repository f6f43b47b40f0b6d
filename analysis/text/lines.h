#pragma once

// The lines of a map, as every reader takes them: a line ends at a line feed, a carriage return
// before it (or before the end of the input) belongs to the line end, and a UTF-8 byte-order mark
// at the very start of a map is no part of its first line. The last line needs no line feed; a
// line feed at the end of the input starts no further line.

#include <cstring>
#include <string_view>

inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The bytes of a map without the byte-order mark at their start, if they have one.
inline std::string_view WithoutByteOrderMark(std::string_view bytes) {
    return bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark
               ? bytes.substr(kByteOrderMark.size())
               : bytes;
}

// The line feed that ends the line starting at `from`, or nullptr when [from, end) holds none.
inline const char* FindLineFeed(const char* from, const char* end) {
    return from == end ? nullptr
                       : static_cast<const char*>(
                             std::memchr(from, '\n', static_cast<std::size_t>(end - from)));
}

// The text of a line taken up to its line feed (or the end of the input): without a carriage
// return at its end.
inline std::string_view LineText(std::string_view line) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

// Takes the next line off the front of `rest`; false when nothing is left.
inline bool NextLine(std::string_view& rest, std::string_view& line) {
    if (rest.empty()) {
        return false;
    }
    const char* const begin = rest.data();
    const char* const end = begin + rest.size();
    const char* const lineFeed = FindLineFeed(begin, end);
    const char* const lineEnd = lineFeed != nullptr ? lineFeed : end;
    line = LineText(std::string_view(begin, static_cast<std::size_t>(lineEnd - begin)));
    rest.remove_prefix(lineFeed != nullptr ? static_cast<std::size_t>(lineFeed + 1 - begin)
                                           : rest.size());
    return true;
}

// The lines of a map in memory, numbered from 1, the byte-order mark left out.
class CTextLines {
public:
    explicit CTextLines(std::string_view bytes) : m_rest(WithoutByteOrderMark(bytes)) {}

    // The next line; false at the end.
    bool Next(std::string_view& line) {
        if (!NextLine(m_rest, line)) {
            return false;
        }
        ++m_number;
        return true;
    }

    // The number of the line Next gave last (0 before the first).
    long Number() const { return m_number; }

private:
    std::string_view m_rest;
    long m_number = 0;
};
