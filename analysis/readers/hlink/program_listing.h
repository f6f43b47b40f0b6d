#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What a map says about the inside of the program, after its section tables: the Symbol Table
// (every symbol with its psect and address) and MODULE INFORMATION (each source file with its
// functions and constants).

// "_SPI1_Open  text12  0078F2"; a symbol can stand in a psect the map does not count, such as
// "(abs)".
struct MapSymbol {
    long line = 0;
    std::string name;
    std::string psect;
    std::uint64_t address = 0;  // as the map writes it: a bit address in a bit psect
};

// "_SPI1_Open  CODE  78F2  0000  220": a function or constant of a source file.
struct ModuleItem {
    long line = 0;
    std::string name;
    std::string className;
    std::uint64_t link = 0;  // byte address
    std::int64_t size = 0;   // bytes, written in decimal
};

struct SourceModule {
    long line = 0;
    std::string name;  // as the map writes it: "mcc_generated_files/spi1.c", "shared"
    std::vector<ModuleItem> items;
    bool hasEstimate = false;  // the module closes with "NAME estimated size: N"
    std::int64_t estimatedSize = 0;
};

struct ProgramListing {
    bool hasSymbolTable = false;
    std::vector<MapSymbol> symbols;  // in file order
    bool hasModuleInformation = false;
    // In file order; a block that repeats an earlier one of the same name whole (some maps write
    // MODULE INFORMATION twice) is kept once.
    std::vector<SourceModule> modules;
};

// Reads the Symbol Table and MODULE INFORMATION of a map; a map without them gives an empty
// listing. Lines end in LF or CR LF. Reading stops at line `endLine` when it is not 0 (where a
// second map starts). Throws MapError (file, line, offending text) on a line of either section
// that cannot be read.
ProgramListing ReadProgramListing(std::string_view bytes, const std::string& fileName,
                                  long endLine = 0);
