#include "readers/mplink/mplink_reader.h"

#include <map>
#include <utility>

#include "core/map_error.h"
#include "readers/mplink/mplink_checks.h"
#include "readers/mplink/mplink_listing.h"
#include "readers/mplink/section_owners.h"
#include "text/lines.h"
#include "text/words.h"

namespace {

constexpr std::size_t kShown = 60;  // of a line quoted in an error message

// One row per owner: objects first, in the order of their first bytes in the Section Info, then
// the special rows; each piece a part of its row.
void MakeRows(const MplinkListing& listing, const SectionOwners& owners, SizeTable& table) {
    std::map<std::pair<bool, std::string>, std::uint32_t> rowOf;
    for (const bool special : {false, true}) {
        for (const std::vector<OwnedPiece>& pieces : owners.pieces) {
            for (const OwnedPiece& piece : pieces) {
                const bool isSpecial = piece.owner.kind == OwnerKind::kSpecial;
                if (isSpecial == special &&
                    rowOf
                        .emplace(std::make_pair(special, piece.owner.name),
                                 static_cast<std::uint32_t>(table.rows.size()))
                        .second) {
                    table.AddRow(piece.owner.name, special ? RowKind::kSpecial : RowKind::kObject);
                }
            }
        }
    }
    for (const std::vector<OwnedPiece>& pieces : owners.pieces) {
        for (const OwnedPiece& piece : pieces) {
            const MplinkSection& section = listing.sections[piece.section];
            const std::uint32_t id =
                rowOf.at({piece.owner.kind == OwnerKind::kSpecial, piece.owner.name});
            const MemoryKind memory = MemoryOf(section);
            const auto bytes = static_cast<std::int64_t>(piece.bytes);
            AddBytes(table.rows[id], memory, bytes);
            table.parts.push_back(
                {id, table.names.Add(section.name), memory, section.address + piece.offset, bytes});
        }
    }
}

class CMplinkFamily final : public CMapFamily {
public:
    bool Recognises(std::string_view head) const override { return IsMplinkMap(head); }

    MapOffers Offers(std::string_view) const override {
        MapOffers offers;
        offers.calledFor = SectionRule::kAll;
        offers.all = true;
        return offers;
    }

    SizeTable Count(std::string_view bytes, const std::string& name, SectionRule rule,
                    const CountRequest& request) const override {
        if (request.view != MapView::kObjects) {
            throw MapError(name, 0,
                           "an MPLINK-family map has no MODULE INFORMATION and no function "
                           "bounds: its rows are already its source files (show it by object)");
        }
        if (rule == SectionRule::kListed) {
            throw MapError(name, 0,
                           "an MPLINK-family map has no per-object table for the 27 listed "
                           "section names: it is counted with every section (--sections auto or "
                           "all)");
        }
        return ReadMplinkMap(bytes, name);
    }

    SizeTable CountFile(CMapFile& file, RuleChoice choice,
                        const CountRequest& request) const override {
        const std::string bytes = file.ReadAll();
        const SectionRule rule =
            choice == RuleChoice::kListed ? SectionRule::kListed : SectionRule::kAll;
        return Count(bytes, file.Name(), rule, request);
    }
};

}  // namespace

bool IsMplinkMap(std::string_view bytes) {
    // The header is in the first lines: looking at a few kilobytes keeps this cheap for a large
    // map of another family.
    CTextLines lines(bytes.substr(0, CMapFamily::kHeadBytes));
    return ReadMplinkHeader(lines).kind != MplinkHeaderKind::kNone;
}

SizeTable ReadMplinkMap(std::string_view bytes, const std::string& fileName) {
    CTextLines lines(bytes);
    const MplinkHeader header = ReadMplinkHeader(lines);
    if (header.kind == MplinkHeaderKind::kNone) {
        throw MapError(fileName, 0,
                       "not a map of the MPLINK family: it does not start with the linker's name "
                       "and 'Map File - Created'");
    }
    if (header.kind == MplinkHeaderKind::kErrorMap) {
        throw MapError(fileName, header.titleLine,
                       "this is the error map of a failed link, which places no sections: " +
                           QuoteForMessage(Trim(header.titleText), kShown) +
                           "; fix the link and open the map it writes");
    }
    const MplinkListing listing = ReadMplinkListing(lines, fileName);
    const CSymbolsByAddress symbols(listing.symbols);
    const SectionOwners owners = FindSectionOwners(listing, symbols);
    SizeTable table;
    table.rule = SectionRule::kAll;
    table.facts.device = owners.device;
    MakeRows(listing, owners, table);
    std::vector<std::string> problems;
    table.facts.checks = CheckMplinkRows(listing, owners, symbols, TotalsOf(table), problems);
    if (owners.leftOutBytes > 0) {
        table.facts.notes.push_back(
            "SFR sections left out: " + std::to_string(owners.leftOutBytes) + " bytes");
    }
    table.facts.notes.insert(table.facts.notes.end(), problems.begin(), problems.end());
    return table;
}

const CMapFamily& MplinkFamily() {
    static const CMplinkFamily family;
    return family;
}
