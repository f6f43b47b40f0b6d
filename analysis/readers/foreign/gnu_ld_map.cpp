#include "readers/foreign/gnu_ld_map.h"

#include "core/map_error.h"
#include "text/lines.h"

namespace {

constexpr std::string_view kFirstHeadings[] = {
    "Archive member included to satisfy reference by file (symbol)",
    "Allocating common symbols",
    "Discarded input sections",
    "Memory Configuration",
    "Linker script and memory map",
};

[[noreturn]] void Refuse(const std::string& name) {
    throw MapError(name, 0,
                   "a GNU linker map, not a PIC18 map: open the map that the PIC18 linker "
                   "(HLINK of XC8 or PICC-18, MPLINK or gplink) wrote");
}

class CGnuLinkerMapFamily final : public CMapFamily {
public:
    bool Recognises(std::string_view head) const override { return IsGnuLinkerMap(head); }

    MapOffers Offers(std::string_view) const override { return {}; }

    SizeTable Count(std::string_view, const std::string& name, SectionRule,
                    const CountRequest&) const override {
        Refuse(name);
    }

    SizeTable CountFile(CMapFile& file, RuleChoice, const CountRequest&) const override {
        Refuse(file.Name());
    }
};

}  // namespace

bool IsGnuLinkerMap(std::string_view head) {
    CTextLines lines(head);
    std::string_view line;
    while (lines.Next(line)) {
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string_view::npos) {
            continue;
        }
        line.remove_prefix(start);
        line = line.substr(0, line.find_last_not_of(" \t") + 1);
        for (const std::string_view heading : kFirstHeadings) {
            if (line == heading) {
                return true;
            }
        }
        return false;
    }
    return false;
}

const CMapFamily& GnuLinkerMapFamily() {
    static const CGnuLinkerMapFamily family;
    return family;
}
