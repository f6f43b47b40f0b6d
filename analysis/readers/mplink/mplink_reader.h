#pragma once

// Maps of the MPLINK linker family: MPLINK (C18 and MPASM projects) and gplink (gputils, which
// SDCC's PIC18 port uses). Such a map has a Section Info table, the program memory usage and the
// symbols, but no table of what each object file placed: same-named sections of several objects
// are merged into one, so the owners of a section's bytes are found from the source files of the
// symbols that lie inside it (readers/mplink/section_owners.h).

#include <string>
#include <string_view>

#include "core/size_table.h"
#include "readers/map_family.h"

// Whether the bytes start as a map of this family: a linker line ("MPLINK 4.46, Linker",
// "gplink-1.4.0 ...") followed by "Linker Map File - Created ...", "Map File - Created ..." or a
// failed link's "Linker Error Map File ...". Only the first CMapFamily::kHeadBytes are looked at.
bool IsMplinkMap(std::string_view bytes);

// Reads such a map into rows under SectionRule::kAll: every section of non-zero size counted once
// (program memory below 0x200000 as ROM, above it as other, data memory as RAM, the special
// function registers left out and noted), each section or piece of one a part of its row, with
// the device the map names and the checks of the rows against the map's own figures. Throws
// MapError naming the line on a map it cannot read, and on the error map of a failed link.
SizeTable ReadMplinkMap(std::string_view bytes, const std::string& fileName);

// The family's reader: every section, by object only; such a map is read whole.
const CMapFamily& MplinkFamily();
