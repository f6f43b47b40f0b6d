#pragma once

// What a reader of one family of maps offers the choice among them (readers/map_reader.h), as
// each reads a map of its family from outside: it recognises the map by its first bytes, says
// what the map offers, and counts it into the one model, a SizeTable. The caller never searches
// a map's bytes itself.

#include <cstddef>
#include <string>
#include <string_view>

#include "core/map_file.h"
#include "core/size_table.h"

// The rule that decides which sections count: the map's own choice, or one forced.
enum class RuleChoice { kAuto, kListed, kAll };

// What a map offers, judged from its bytes without counting it: the rule it calls for, and the
// rules and views it holds what they need for. Every map can be shown by object.
struct MapOffers {
    SectionRule calledFor = SectionRule::kListed;
    bool listed = false;   // the 27 listed names apply
    bool all = false;      // every section can be counted
    bool modules = false;  // by source file
    bool symbols = false;  // by symbol

    bool Offers(SectionRule rule) const { return rule == SectionRule::kListed ? listed : all; }
    bool Offers(MapView view) const {
        return view == MapView::kObjects || (view == MapView::kModules ? modules : symbols);
    }
};

// What a count is asked for besides its rule.
struct CountRequest {
    MapView view = MapView::kObjects;
    // Under the listed rule, also the device and the capacities the map names (every other count
    // gives them always).
    bool deviceFacts = false;
    // Each row's pieces (its sections), which only a picture of the rows needs.
    bool withParts = false;
};

class CMapFamily {
public:
    // How many of a map's first bytes tell its family.
    static constexpr std::size_t kHeadBytes = 4096;

    // Whether a map that starts with `head` (its first kHeadBytes bytes, or all of a shorter one)
    // is of this family.
    virtual bool Recognises(std::string_view head) const = 0;

    // What the map offers.
    virtual MapOffers Offers(std::string_view bytes) const = 0;

    // The map counted by `rule` as asked. Throws MapError on a map that cannot be read, and on a
    // rule or view the map lacks what for.
    virtual SizeTable Count(std::string_view bytes, const std::string& name, SectionRule rule,
                            const CountRequest& request) const = 0;

    // The map in the file counted as Count counts it, by `choice` (auto: by the rule the map calls
    // for), read as it streams where the family can rather than held whole.
    virtual SizeTable CountFile(CMapFile& file, RuleChoice choice,
                                const CountRequest& request) const = 0;

protected:
    ~CMapFamily() = default;
};
