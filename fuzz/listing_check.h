#pragma once

#include <string>
#include <string_view>

// Reads the bytes as a map in every way the line reader offers (from memory, whole and up to the
// section table, and from a file as it streams in), tallies every section from the listing and
// as the file streams in, and compares listings, errors, rows, parts and checks; holds the tally
// to its invariants (the rows add up to the report's figures of every check, each row's parts to
// the row) and the bytes the preamble reader took to the start of the map. Returns a description
// of the first difference, or an empty text when all agree.
std::string CheckListingReading(std::string_view bytes);
