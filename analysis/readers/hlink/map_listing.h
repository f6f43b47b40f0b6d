#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/map_file.h"
#include "text/words.h"

// What a link map says about its sections, read line by line: the per-object table, the COMMON
// lines, the class totals, the class ranges of the linker command line and the unused ranges.

// One line of the per-object table (or a COMMON line).
struct SectionRecord {
    long line = 0;
    int object = -1;  // index into MapListing::objects; -1 for COMMON and for records before any
    bool common = false;
    std::string name;
    std::uint64_t link = 0;
    std::uint64_t load = 0;
    std::uint64_t length = 0;
    std::int64_t space = 0;
    std::int64_t scale = 0;  // 0 when the record has no Scale field
};

// One record of the TOTAL section, under its CLASS heading.
struct TotalRecord {
    long line = 0;
    std::string className;  // empty for a record before the first CLASS line
    std::string name;
    std::uint64_t link = 0;
    std::uint64_t load = 0;
    std::uint64_t length = 0;
    bool hasSpace = false;
    std::int64_t space = 0;
};

// One range of a class: from a -ACLASS=... option or from UNUSED ADDRESS RANGES. A placeholder
// (such as 00h-00h) is kept with an empty range, so that the class is still known.
struct ClassRange {
    long line = 0;
    std::string className;
    std::uint64_t begin = 0;
    std::uint64_t end = 0;  // exclusive
};

struct MapListing {
    std::string machineType;  // from "Machine type is ..."; empty when the map has none
    bool hasTable = false;
    std::vector<std::string> objects;  // object (and library) names, in file order, repeats kept
    std::vector<SectionRecord> records;
    bool hasTotalSection = false;
    std::vector<TotalRecord> totals;
    std::vector<ClassRange> classRanges;
    bool hasUnusedSection = false;
    std::vector<ClassRange> unusedRanges;
    // The section table runs to the end of the file, with no COMMON line and no TOTAL section:
    // the map was cut short (copied while the linker was writing it). lastLine is its last line.
    bool cutShort = false;
    long lastLine = 0;
};

enum class ListingScope {
    kWhole,     // everything; a map without a section table is an error
    kPreamble,  // only the machine type and the class ranges in front of the section table
};

// The heading of the per-object table: Name Link Load Length Selector Space, and Scale on some
// maps.
inline constexpr std::array<std::string_view, 7> kTableHeading = {
    "Name", "Link", "Load", "Length", "Selector", "Space", "Scale"};

// Whether the words of a line are that heading: its first six words, or all seven. Inline: the
// listing asks of every line of the table.
inline bool IsTableHeading(const CLineWords& words) {
    if (words.size() != 6 && words.size() != 7) {
        return false;
    }
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (words[i].text != kTableHeading[i]) {
            return false;
        }
    }
    return true;
}

// Reads a map, line by line as text/lines.h takes them. Throws MapError (file, line, offending
// text) on a section table that is missing, or on a line of it, of the class totals or a class
// range that cannot be read.
MapListing ReadMapListing(std::string_view bytes, const std::string& fileName,
                          ListingScope scope = ListingScope::kWhole);

// Takes the object names, the records of the per-object table and the records of the TOTAL
// section, in file order, as a reader meets them. What it is handed is valid during the call only.
class CListingSink {
public:
    virtual void AddObject(std::string_view name) = 0;
    virtual void AddRecord(const SectionRecord& record) = 0;  // `object` counts AddObject calls
    virtual void AddTotal(const TotalRecord& total) = 0;

protected:
    ~CListingSink() = default;
};

// Keeps all it is handed in a listing, as ReadMapListing does with the bytes of a map.
class CListingKeeper final : public CListingSink {
public:
    explicit CListingKeeper(MapListing& listing) : m_listing(listing) {}
    void AddObject(std::string_view name) override;
    void AddRecord(const SectionRecord& record) override;
    void AddTotal(const TotalRecord& total) override;

private:
    MapListing& m_listing;
};

// Reads the whole map in `file` as ReadMapListing does, a block at a time, so that neither the
// map nor its records need be held: `listing` gets all but the objects, the records and the
// totals, which go to `sink`. Throws as ReadMapListing does, and MapError on a read error.
void ReadMapListing(CMapFile& file, MapListing& listing, CListingSink& sink);

// The same over a map's bytes in memory.
void ReadMapListing(std::string_view bytes, const std::string& fileName, MapListing& listing,
                    CListingSink& sink);

// The machine type and class ranges in front of the section table of the map in `file` (as
// ListingScope::kPreamble reads them). `bytesRead` is left holding every byte taken from the
// file (and nothing else), so that a reader of the whole map can start with them and go on with
// the file.
MapListing ReadMapPreamble(CMapFile& file, std::string& bytesRead);

// Parses one range of a -A option, "0100h-01FFhx5": numbers in hexadecimal with an h suffix (or
// in decimal without one), both ends included, then an optional count of consecutive ranges of
// the same size. Gives the half-open range they cover; a range whose ends are equal is a
// placeholder and gives begin == end. Returns false when the text is not such a range.
bool ParseClassRange(std::string_view text, std::uint64_t& begin, std::uint64_t& end);
