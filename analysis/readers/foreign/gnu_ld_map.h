#pragma once

// The maps of a linker for other processors that users open by mistake (a GNU ld map of the
// ARM or AVR program beside the PIC18 one): recognised, so that the message names what the file
// is instead of what it lacks, and never counted.

#include "readers/map_family.h"

// Whether the map's first line that holds text is one of the headings a GNU ld map starts with
// ("Archive member included to satisfy reference by file (symbol)", "Allocating common symbols",
// "Discarded input sections", "Memory Configuration", "Linker script and memory map").
bool IsGnuLinkerMap(std::string_view head);

// Recognises GNU ld maps; offers nothing and throws MapError ("a GNU linker map, not a PIC18
// map") on every count.
const CMapFamily& GnuLinkerMapFamily();
