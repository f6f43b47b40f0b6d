#include "readers/map_reader.h"

#include <iterator>

#include "readers/foreign/gnu_ld_map.h"
#include "readers/hlink/hlink_reader.h"
#include "readers/mplink/mplink_reader.h"

const CMapFamily& FamilyOf(std::string_view head) {
    // The families in the order they are asked: each recognises its own maps (a GNU ld map only
    // to say what it is); the last takes any other, and tells a file that is no map.
    static const CMapFamily* const kFamilies[] = {&GnuLinkerMapFamily(), &MplinkFamily(),
                                                  &HlinkFamily()};
    head = head.substr(0, CMapFamily::kHeadBytes);
    for (const CMapFamily* family : kFamilies) {
        if (family->Recognises(head)) {
            return *family;
        }
    }
    return *kFamilies[std::size(kFamilies) - 1];
}

MapOffers OffersOf(std::string_view bytes) {
    return FamilyOf(bytes).Offers(bytes);
}

SizeTable CountMap(std::string_view bytes, const std::string& name, SectionRule rule,
                   bool deviceFacts, MapView view, bool withParts, const Pic18Part* part) {
    return FamilyOf(bytes).Count(bytes, name, rule,
                                 CountRequest{view, deviceFacts, withParts, part});
}

SizeTable CountMapFile(CMapFile& file, RuleChoice choice, bool deviceFacts, MapView view,
                       bool withParts, const Pic18Part* part) {
    const CMapFamily& family = FamilyOf(file.Peek(CMapFamily::kHeadBytes));
    return family.CountFile(file, choice, CountRequest{view, deviceFacts, withParts, part});
}
