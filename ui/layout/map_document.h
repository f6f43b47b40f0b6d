#pragma once

// A map the window has open. Its bytes are kept, so that switching the rule or the view counts
// the map again without reading the file again (or asking for it).

#include <optional>
#include <string>

#include "core/size_table.h"
#include "readers/map_family.h"

class CMapDocument {
public:
    // Takes the map's bytes and counts them by the rule the map calls for, by object file.
    // Throws MapError when that fails (a file that is no map, a line that cannot be read), so
    // that a document always holds a map that could be counted.
    CMapDocument(std::string bytes, std::string name);

    const std::string& Name() const { return m_name; }

    // The rule the map calls for: every section when it has a TOTAL section (or is of the MPLINK
    // family), the listed names otherwise.
    SectionRule CalledForRule() const { return m_offers.calledFor; }

    // Whether the map has what the rule or the view needs, as the reader of its family judges it
    // without counting it: the listed names need a map of the family with a per-object table,
    // every section needs that table, the views their MODULE INFORMATION or function bounds.
    bool Offers(SectionRule rule) const { return m_offers.Offers(rule); }
    bool Offers(MapView view) const { return m_offers.Offers(view); }

    // The map counted by the rule and the view; `part` gives the memory regions of a map that has
    // none of its own and names no part the table knows (the device chosen by name). Throws
    // MapError when the map lacks what they need after all. The count made when the document was
    // read is handed out, not made again, the first time it is asked for.
    SizeTable Count(SectionRule rule, MapView view, const Pic18Part* part = nullptr) const;

private:
    std::string m_bytes;
    std::string m_name;
    MapOffers m_offers;
    mutable std::optional<SizeTable> m_first;  // the count by the map's own rule, by object
};
