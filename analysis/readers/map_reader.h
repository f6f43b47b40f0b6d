#pragma once

// Reading a map into its size table: the choice among the readers of the map families (each in a
// folder of its own: readers/hlink, readers/mplink), the rule that counts it, the file that is no
// map, the map cut short. Both front ends read maps through these.

#include <string>
#include <string_view>

#include "core/map_file.h"
#include "core/size_table.h"
#include "readers/map_family.h"

// The reader of the family the map's first bytes belong to.
const CMapFamily& FamilyOf(std::string_view head);

// What the map offers (see MapOffers), as the reader of its family judges it; among it the rule
// the map calls for: every section when it has a TOTAL section (as every map a linker writes
// has) or is of the MPLINK family, the 27 listed names otherwise.
MapOffers OffersOf(std::string_view bytes);

// The map's bytes counted by the rule. `deviceFacts` also reads, under the listed rule, the device
// and the class ranges that the map's preamble names (the complete tally always does). Throws
// MapError on a map that cannot be read, and on a file that is no map at all. A map whose
// section table runs to the end of the file carries a failed check that says so.
// `view` splits the complete tally further, by source file or by symbol, for maps whose MODULE
// INFORMATION or Symbol Table allows it; a map that lacks what the view needs is a MapError.
// `withParts` keeps each row's pieces (its sections), which only a picture of the rows needs.
SizeTable CountMap(std::string_view bytes, const std::string& name, SectionRule rule,
                   bool deviceFacts, MapView view = MapView::kObjects, bool withParts = true);

// The map in the file counted as CountMap counts it, chosen by `choice` (auto: by the rule the
// map calls for), streamed where that can be: the family is told from the first bytes, and a map
// with a per-object table in a file that can be read again is looked through once for its rule,
// then read as it streams by the reader the rule chooses, without holding it. Standard input
// from a pipe under the map's own rule, a map of the MPLINK family and the views are read whole.
SizeTable CountMapFile(CMapFile& file, RuleChoice choice, bool deviceFacts,
                       MapView view = MapView::kObjects, bool withParts = false);
