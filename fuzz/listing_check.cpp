#include "listing_check.h"

#include <map>
#include <optional>

#include "core/map_error.h"
#include "core/map_file.h"
#include "map_check.h"
#include "readers/hlink/map_listing.h"
#include "readers/hlink/section_tally.h"
#include "readers/hlink/token_reader.h"

namespace {

const std::string kName = "fuzz.map";

// Everything a listing holds, one field after another, so that two listings compare as text.
std::string Describe(const MapListing& listing) {
    std::string text = listing.machineType + "|" + std::to_string(listing.hasTable) + "|" +
                       std::to_string(listing.hasTotalSection) + "|" +
                       std::to_string(listing.hasUnusedSection) + "\n";
    for (const std::string& object : listing.objects) {
        text += "object " + object + "\n";
    }
    for (const SectionRecord& r : listing.records) {
        text += "record " + std::to_string(r.line) + " " + std::to_string(r.object) + " " +
                std::to_string(r.common) + " " + r.name + " " + std::to_string(r.link) + " " +
                std::to_string(r.load) + " " + std::to_string(r.length) + " " +
                std::to_string(r.space) + " " + std::to_string(r.scale) + "\n";
    }
    for (const TotalRecord& t : listing.totals) {
        text += "total " + std::to_string(t.line) + " " + t.className + " " + t.name + " " +
                std::to_string(t.link) + " " + std::to_string(t.load) + " " +
                std::to_string(t.length) + " " + std::to_string(t.hasSpace) + " " +
                std::to_string(t.space) + "\n";
    }
    for (const auto* ranges : {&listing.classRanges, &listing.unusedRanges}) {
        for (const ClassRange& range : *ranges) {
            text += "range " + std::to_string(range.line) + " " + range.className + " " +
                    std::to_string(range.begin) + " " + std::to_string(range.end) + "\n";
        }
    }
    return text;
}

std::string Describe(const MemoryTotals& totals) {
    return std::to_string(totals.rom) + " " + std::to_string(totals.ram) + " " +
           std::to_string(totals.other);
}

std::string Describe(const SizeTable& table) {
    std::string text = std::to_string(static_cast<int>(table.rule)) + "\n";
    for (const SizeRow& row : table.rows) {
        text += "row " + std::string(row.name) + " " + std::to_string(static_cast<int>(row.kind)) +
                " " + std::to_string(row.id) + " " +
                Describe(MemoryTotals{row.rom, row.ram, row.other}) + "\n";
    }
    for (const SizePart& part : table.parts) {
        text += "part " + std::to_string(part.rowId) + " " + std::string(part.name) + " " +
                std::to_string(static_cast<int>(part.memory)) + " " + std::to_string(part.address) +
                " " + std::to_string(part.bytes) + "\n";
    }
    const MapFacts& facts = table.facts;
    text += facts.device + " " + std::to_string(facts.hasCapacity) + " " +
            std::to_string(facts.romCapacity) + " " + std::to_string(facts.ramCapacity) + "\n";
    for (const MapCheck& check : facts.checks) {
        text += check.label + "|" + check.field + "|" + check.source + "|" +
                std::to_string(check.possible) + "|" + check.reason + "|" +
                std::to_string(check.agrees) + "|" + std::to_string(check.hasFigures) + "|" +
                std::to_string(check.withOther) + "|" + Describe(check.map) + "|" +
                Describe(check.report) + "|" + check.detail + "\n";
    }
    for (const std::string& note : facts.notes) {
        text += "note " + note + "\n";
    }
    return text;
}

// What a way of reading gave: the error's text, or the description of what it read.
struct Outcome {
    std::optional<std::string> error;
    std::string description;
};

template <typename Read>
Outcome Run(Read&& read) {
    Outcome outcome;
    try {
        outcome.description = read();
    } catch (const MapError& error) {
        outcome.error = error.what();
    }
    return outcome;
}

std::string Compare(const Outcome& actual, const Outcome& expected, const std::string& how) {
    if (actual.error != expected.error) {
        return how + ": error '" + actual.error.value_or("none") + "', expected '" +
               expected.error.value_or("none") + "'";
    }
    if (actual.description != expected.description) {
        return how + ": reads otherwise than the bytes in memory";
    }
    return "";
}

// The rows add up to the report's figures of every check, and each row's parts to the row.
std::string CheckTally(const SizeTable& tally) {
    const MemoryTotals totals = TotalsOf(tally);
    for (const MapCheck& check : tally.facts.checks) {
        if (check.hasFigures && check.report != totals) {
            return "the " + check.label + " check has other figures than the rows";
        }
    }
    std::map<std::uint32_t, MemoryTotals> sums;
    for (const SizePart& part : tally.parts) {
        if (part.rowId >= tally.rows.size() || part.bytes == 0) {
            return "a part of no row, or of no bytes";
        }
        AddBytes(sums[part.rowId], part.memory, part.bytes);
    }
    for (const SizeRow& row : tally.rows) {
        if (sums[row.id] != MemoryTotals{row.rom, row.ram, row.other}) {
            return "the parts of row " + std::to_string(row.id) + " do not add up to it";
        }
    }
    return "";
}

std::string Tokens(CMapStream& stream) {
    std::string tokens;
    for (std::string_view token = ReadToken(stream); !token.empty(); token = ReadToken(stream)) {
        tokens.append(token);
        tokens += '\n';
    }
    return tokens;
}

}  // namespace

std::string CheckListingReading(std::string_view bytes) {
    if (!OpenBytes(bytes)) {
        return "cannot open the bytes as a file";
    }
    std::optional<MapListing> listing;
    const Outcome fromBytes = Run([&] {
        listing = ReadMapListing(bytes, kName);
        return Describe(*listing);
    });
    const Outcome fromFile = Run([&] {
        const auto stream = OpenBytes(bytes);
        CMapFile file(stream.get(), kName);
        MapListing read;
        CListingKeeper keeper(read);
        ReadMapListing(file, read, keeper);
        return Describe(read);
    });
    std::string difference = Compare(fromFile, fromBytes, "the file as it streams in");
    if (!difference.empty()) {
        return difference;
    }

    const Outcome streamed = Run([&] {
        const auto stream = OpenBytes(bytes);
        CMapFile file(stream.get(), kName);
        return Describe(TallySections(file, TallyDetail::kRowsAndParts));
    });
    if (listing) {
        const SizeTable tally = TallySections(*listing);
        difference = Compare(streamed, Outcome{std::nullopt, Describe(tally)},
                             "the tally of the file as it streams in");
        if (difference.empty()) {
            difference = CheckTally(tally);
        }
    } else if (streamed.error != fromBytes.error) {
        difference = "the tally of the file as it streams in fails otherwise than the reader";
    }
    if (!difference.empty()) {
        return difference;
    }

    // The preamble: what the reader takes from the file starts the map, and a scan that starts
    // with it and goes on with the file reads what a scan of the bytes reads.
    const Outcome preamble =
        Run([&] { return Describe(ReadMapListing(bytes, kName, ListingScope::kPreamble)); });
    std::string taken;
    std::string continued;
    const Outcome preambleFromFile = Run([&] {
        const auto stream = OpenBytes(bytes);
        CMapFile file(stream.get(), kName);
        const std::string description = Describe(ReadMapPreamble(file, taken));
        CMapStream rest(file, taken);
        continued = Tokens(rest);
        return description;
    });
    difference = Compare(preambleFromFile, preamble, "the preamble of the file");
    if (!difference.empty()) {
        return difference;
    }
    if (bytes.substr(0, taken.size()) != taken) {
        return "the preamble reader took other bytes than the map's first";
    }
    CMapStream whole(bytes, kName);
    if (!preamble.error && continued != Tokens(whole)) {
        return "the scan after the preamble reads otherwise than the scan of the bytes";
    }
    return "";
}
