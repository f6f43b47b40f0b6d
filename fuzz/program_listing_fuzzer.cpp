// libFuzzer target: the reader of the Symbol Table and MODULE INFORMATION, and the two views made
// from it, must take any input without a crash, a hang, a leak or undefined behaviour; a view
// that is made must add up exactly to the map's complete tally, and a source file's items to
// its row.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/map_error.h"
#include "views/program_views.h"
#include "readers/hlink/section_tally.h"

namespace {

void Fail(const char* what) {
    std::fprintf(stderr, "program views: %s\n", what);
    std::abort();
}

void CheckView(SizeTable (*view)(const MapListing&, const ProgramListing&, const std::string&),
               const MapListing& map, const ProgramListing& program, const MemoryTotals& tally) {
    SizeTable table;
    try {
        table = view(map, program, "fuzz.map");
    } catch (const MapError&) {
        return;
    }
    if (TotalsOf(table) != tally) {
        Fail("the rows do not add up to the complete tally");
    }
    std::vector<MemoryTotals> parts(table.rows.size());
    for (const SizePart& part : table.parts) {
        if (part.rowId >= parts.size()) {
            Fail("a part belongs to no row");
        }
        AddBytes(parts[part.rowId], part.memory, part.bytes);
    }
    for (const SizeRow& row : table.rows) {
        const MemoryTotals sizes{row.rom, row.ram, row.other};
        if (row.kind == RowKind::kObject && !table.parts.empty() && parts[row.id] != sizes) {
            Fail("a source file's items do not add up to its row");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ProgramListing program;
    MapListing map;
    try {
        program = ReadProgramListing(bytes, "fuzz.map");
        map = ReadMapListing(bytes, "fuzz.map");
    } catch (const MapError&) {
        return 0;
    }
    const MemoryTotals tally = TotalsOf(TallySections(map));
    CheckView(ModuleView, map, program, tally);
    CheckView(SymbolView, map, program, tally);
    return 0;
}
