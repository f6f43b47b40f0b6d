#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// The shape of a generated map. The same shape always gives the same bytes, on every platform:
// the generator has its own random number generator and formats every number by hand.
struct MapShape {
    std::uint32_t objects = 1000;  // object files, each named on the command line and in the table
    std::uint64_t seed = 1;
    std::uint32_t sections = 6;  // mean number of section records per object file
};

// A realistic link map: header, a linker command line with class ranges and naming every object
// file, the per-object section table (drive-letter paths, 8.3 names, a Latin-1 folder name,
// library members, empty sections, sections that are not counted), COMMON, the class totals
// listing every record once under its class, unused address ranges and a symbol table. Each
// memory's sections lie end to end below its limits (lengths scaled down in large maps), so that
// the map's totals and its used address ranges agree with its table.
std::string GenerateMap(const MapShape& shape);

// The same map written to a file; false when writing failed.
bool WriteGeneratedMap(const MapShape& shape, std::FILE* file);
