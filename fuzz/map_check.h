#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The bytes as a FILE* opened for reading (in memory where the C library can, else in a
// temporary file); nullptr when that fails.
std::unique_ptr<std::FILE, FileCloser> OpenBytes(std::string_view bytes);

// The text a map file of these bytes gives its reader, in `text`: a file in UTF-16 as UTF-8 (see
// TextFormOf), any other as it is. Returns a description of the difference when a CMapFile, read
// whole or in tiny blocks, gives other text; an empty text when it gives that.
std::string CheckTextOfFile(std::string_view bytes, std::string& text);

// Reads the bytes in every way the analysis core offers (from memory and through a FILE*, with
// the normal block size and with tiny blocks), scans them, sorts and builds the report for both
// devices, and compares tokens, line numbers, entries and errors with a plain byte-by-byte
// reading. Returns a description of the first difference, or an empty text when all agree. Bytes
// in UTF-16 are read as the text a file of them gives (CheckTextOfFile).
std::string CheckMapReading(std::string_view bytes);
