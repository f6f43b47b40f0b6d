// libFuzzer target for the MPLINK-family reader: every input must be recognised or not, and then
// read or refused with a MapError, without a crash, a hang, a leak or undefined behaviour. What
// it reads must hold together: each row is the sum of its parts, and no size is negative.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "core/map_error.h"
#include "readers/mplink/mplink_reader.h"

namespace {

void Fail(const char* what) {
    std::fprintf(stderr, "MPLINK map reading: %s\n", what);
    std::abort();
}

void CheckTable(const SizeTable& table) {
    std::vector<MemoryTotals> sums(table.rows.size());
    for (const SizePart& part : table.parts) {
        if (part.rowId >= table.rows.size()) {
            Fail("a part of no row");
        }
        if (part.bytes <= 0) {
            Fail("a part of no bytes");
        }
        AddBytes(sums[part.rowId], part.memory, part.bytes);
    }
    for (std::size_t i = 0; i < table.rows.size(); ++i) {
        const SizeRow& row = table.rows[i];
        if (row.id != i || sums[i] != MemoryTotals{row.rom, row.ram, row.other}) {
            Fail("a row that is not the sum of its parts");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    IsMplinkMap(bytes);
    try {
        CheckTable(ReadMplinkMap(bytes, "fuzz.map"));
    } catch (const MapError&) {
    }
    return 0;
}
