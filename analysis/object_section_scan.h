#pragma once

#include <string_view>

#include "object_file_entry.h"
#include "token_reader.h"

// A token of at least four characters ending in ".obj" (lower case).
bool IsObjectFileName(std::string_view token);

// One of the 27 section names whose lengths are counted (whole token, case-sensitive).
bool IsCountedSection(std::string_view token);

// "COMMON", or "TOTAL" for maps that have no COMMON line: the end of the per-object table.
bool IsEndMarker(std::string_view token);

// Reads the map up to its end marker or the end of input and appends one entry per object-file
// name, in file order, with the counted section lengths added. On a bad section length or a read
// error it throws MapError and leaves `entries` as it was.
void ScanObjectSection(CMapStream& stream, EntryList& entries);
