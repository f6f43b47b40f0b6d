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

// Reads the bytes in every way the analysis core offers (from memory and through a FILE*, with
// the normal block size and with tiny blocks), scans them, sorts and builds the report for both
// devices, and compares tokens, line numbers, entries and errors with a plain byte-by-byte
// reading. Returns a description of the first difference, or an empty text when all agree.
std::string CheckMapReading(std::string_view bytes);
