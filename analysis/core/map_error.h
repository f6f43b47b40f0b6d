#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

// A map that cannot be analysed: names the file, the line (0 when no line applies) and what is
// wrong, so that whoever shows it can tell the user where to look.
class MapError : public std::runtime_error {
public:
    enum class Kind {
        kContent,  // the map's text cannot be read as a map
        kOpen,     // the file cannot be opened
        kRead,     // reading the file failed
    };

    // `systemError` is the system's error number of an open or read failure (errno, or the
    // operating system's own code on Windows), 0 when there is none.
    MapError(std::string file, long line, std::string detail, Kind kind = Kind::kContent,
             int systemError = 0);

    const std::string& File() const { return m_file; }
    long Line() const { return m_line; }
    const std::string& Detail() const { return m_detail; }
    Kind GetKind() const { return m_kind; }
    int SystemError() const { return m_systemError; }

private:
    std::string m_file;
    long m_line;
    std::string m_detail;
    Kind m_kind;
    int m_systemError;
};

// The text in single quotes for an error message, cut after `shown` bytes (with "...") so that
// the message stays one readable line however long the token or line is; control bytes are shown
// in caret notation as report cells show them, so that none reaches a terminal raw.
std::string QuoteForMessage(std::string_view text, std::size_t shown);
