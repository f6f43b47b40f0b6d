#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#include "core/size_table.h"
#include "readers/hlink/token_reader.h"

// A token of at least four characters ending in ".obj" (lower case). The last byte first: few
// tokens end in 'j', so the test is decided at once for most.
inline bool IsObjectFileName(std::string_view token) {
    const std::size_t n = token.size();
    if (n == 0 || token[n - 1] != 'j' || n < 4) {
        return false;
    }
    std::uint32_t tail = 0;
    std::uint32_t obj = 0;
    std::memcpy(&tail, token.data() + n - 4, 4);
    std::memcpy(&obj, ".obj", 4);
    return tail == obj;
}

// What a scan met besides object files and their sections, so that its caller can tell a map
// from a file that is none, and a whole map from one cut short.
struct ScanSummary {
    bool objectFile = false;    // an object-file name
    bool tableHeading = false;  // the per-object table's heading (its words Selector Space)
    bool linkerHeader = false;  // the linker's header ("Linker command line:", "Machine type")
    bool endMarker = false;     // COMMON or TOTAL ended the scan
    // A second section table or linker's header ended the scan at this line (0 when none did):
    // two maps in one file, or one written twice.
    long secondMapLine = 0;
    bool secondTable = false;
    long lastLine = 0;  // the line of the last token read
};

// Whether a scan keeps the rows of object-file names whose listed sections add up to nothing,
// which no report shows: the linker's command line names every object file, so a map of many
// objects has as many such rows as rows that count.
enum class EmptyRows { kKeep, kLeaveOut };

// The listed rule: reads the map up to "COMMON" or "TOTAL" (or the start of a second map) or the
// end of input and appends one
// kObject row per object-file name, in file order, with the lengths of the 27 listed section
// names added in the rule's wrapping 32-bit arithmetic (space 0 ROM, every other space RAM). On a
// bad section length or a read error it throws MapError and leaves the table's rows as they were.
ScanSummary ScanObjectSection(CMapStream& stream, SizeTable& table,
                              EmptyRows empty = EmptyRows::kKeep);
