#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

// A map that cannot be analysed: names the file, the line (0 when no line applies) and what is
// wrong, so that whoever shows it can tell the user where to look.
class MapError : public std::runtime_error {
public:
    MapError(std::string file, long line, std::string detail);

    const std::string& File() const { return m_file; }
    long Line() const { return m_line; }
    const std::string& Detail() const { return m_detail; }

private:
    std::string m_file;
    long m_line;
    std::string m_detail;
};

// The text in single quotes for an error message, cut after `shown` bytes (with "...") so that
// the message stays one readable line however long the token or line is.
std::string QuoteForMessage(std::string_view text, std::size_t shown);
