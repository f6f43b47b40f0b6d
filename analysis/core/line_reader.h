#pragma once

// The lines of a map (by the rule of text/lines.h), from its bytes in memory or from its file a
// block at a time as it streams in, so that a reader need not hold the map.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "core/large_pages.h"
#include "core/map_file.h"
#include "text/lines.h"

class CLineReader {
public:
    explicit CLineReader(std::string_view bytes);

    // With `kept`, every byte read from the file is kept in it (what it held is dropped), and
    // lines are views into it.
    CLineReader(CMapFile& file, std::string* kept);

    // Lines longer than a block are put together whole, however long; after this, only their
    // first `bytes` bytes (a line that lies whole in a block is always whole).
    void CutLongLinesAt(std::size_t bytes) { m_longest = bytes; }

    // The next line; false at the end of input. The view stays valid until the next call.
    bool Next(std::string_view& line) {
        if (m_spilled) {
            m_spill.clear();
            m_spilled = false;
        }
        std::size_t searched = 0;  // bytes from m_next on that hold no line feed
        for (;;) {
            const char* const lineFeed = FindLineFeed(m_next + searched, m_end);
            if (lineFeed != nullptr) {
                line = Take(lineFeed);
                m_next = lineFeed + 1;
                return true;
            }
            const auto all = static_cast<std::size_t>(m_end - m_next);
            if (m_file == nullptr || m_atEnd || !ReadMore()) {
                if (m_next == m_end && m_spill.empty()) {
                    return false;
                }
                line = Take(m_end);
                m_next = m_end;
                return true;
            }
            // The kept bytes still hold the start of the line, searched; a new block holds none
            // of it.
            searched = m_kept != nullptr ? all : 0;
        }
    }

private:
    static constexpr std::size_t kReadSize = 128 * 1024;

    // The line up to `end`, with what was gathered of it before.
    std::string_view Take(const char* end) {
        if (m_spill.empty()) {
            return LineText(std::string_view(m_next, static_cast<std::size_t>(end - m_next)));
        }
        Gather(static_cast<std::size_t>(end - m_next));
        m_spilled = true;
        return LineText(std::string_view(m_spill.data(), m_spill.size()));
    }

    // Appends the next `count` bytes to the start of the line gathered so far, as far as lines
    // are kept.
    void Gather(std::size_t count);
    // Passes over a byte-order mark at the start of the bytes not yet handed out; called once,
    // when the first bytes of the map are there.
    void SkipByteOrderMark();
    bool ReadMore() { return m_kept != nullptr ? ReadKept() : ReadBlock(); }
    bool ReadBlock();
    bool ReadKept();

    const char* m_next = nullptr;  // the bytes not yet handed out
    const char* m_end = nullptr;
    CMapFile* m_file = nullptr;
    std::string* m_kept = nullptr;
    std::unique_ptr<char[]> m_buffer;
    // The start of a line that crosses blocks. Room for a long line is a mapping of its own in
    // large pages: a line of many MB takes few page faults, and its room is given back at once.
    std::basic_string<char, std::char_traits<char>, CLargePageAllocator<char>> m_spill;
    std::size_t m_longest = std::string::npos;
    bool m_spilled = false;
    bool m_atEnd = false;
    bool m_atStart = true;
};
