#include "readers/hlink/map_listing.h"

#include <algorithm>

#include "core/line_reader.h"
#include "core/map_error.h"
#include "text/names.h"
#include "text/numbers.h"

namespace {

// A class range may stand for up to this many ranges of its size in a row.
constexpr std::uint64_t kMaxRepeat = 0xFFFFFFu;

std::string Quote(std::string_view line) {
    return QuoteForMessage(line, 60);
}

bool IsAddress(std::string_view text) {
    std::uint64_t value = 0;
    return ParseHex32(text, HexCase::kAny, value);
}

bool IsDecimal(std::string_view text) {
    std::int64_t value = 0;
    return ParseSignedDecimal(text, value);
}

// A number of a -A option: hexadecimal with an h suffix, or decimal.
bool ParseOptionNumber(std::string_view text, std::uint64_t& value) {
    if (!text.empty() && (text.back() == 'h' || text.back() == 'H')) {
        return ParseHex32(text.substr(0, text.size() - 1), HexCase::kAny, value);
    }
    return ParseUnsignedDecimal(text, kMax32, value);
}

// The length of a section: upper-case hexadecimal, as the rest of the tool reads lengths.
std::uint64_t ParseLength(std::string_view text, const std::string& fileName, long line) {
    std::uint64_t value = 0;
    if (ParseHex32(text, HexCase::kUpper, value)) {
        return value;
    }
    for (char c : text) {
        if (HexDigitValue(c) > 15) {
            throw MapError(fileName, line,
                           "section length " + Quote(text) + " is not upper-case hexadecimal");
        }
    }
    throw MapError(fileName, line, "section length " + Quote(text) + " is too large");
}

// The fields of a record after its name but the length, which is read apart, so that a bad
// length is reported as such rather than making the line unreadable.
struct RecordFields {
    std::uint64_t link = 0;
    std::uint64_t load = 0;
    std::int64_t space = 0;
    std::int64_t scale = 0;  // 0 when the record has no Scale field
};

// True when the last `count` tokens read as Link Load Length Selector Space [Scale], with at
// least `before` tokens in front of them; `fields` then holds their values.
bool ReadFields(const CLineWords& tokens, std::size_t count, std::size_t before,
                RecordFields& fields) {
    if (tokens.size() < count + before) {
        return false;
    }
    const std::size_t f = tokens.size() - count;
    std::uint64_t selector = 0;
    fields.scale = 0;
    return ParseHex32(tokens[f].text, HexCase::kAny, fields.link) &&
           ParseHex32(tokens[f + 1].text, HexCase::kAny, fields.load) &&
           ParseHex32(tokens[f + 3].text, HexCase::kAny, selector) &&
           ParseSignedDecimal(tokens[f + 4].text, fields.space) &&
           (count == 5 || ParseSignedDecimal(tokens[f + 5].text, fields.scale));
}

// How many trailing fields a table line has: 6 (with Scale), 5, or 0 when it is no record; the
// values of a record's fields go to `fields`. An indented record is a section name and its
// fields; a record in column 0 has an object name (which may hold spaces) in front. A Scale is
// taken only where the line cannot be read otherwise, or where its value (8 for bit sections)
// could not be a memory space of a record.
std::size_t RecordFieldCount(const CLineWords& tokens, bool columnZero, RecordFields& fields) {
    if (!columnZero) {
        if (tokens.size() == 7 && ReadFields(tokens, 6, 1, fields)) {
            return 6;
        }
        return tokens.size() == 6 && ReadFields(tokens, 5, 1, fields) ? 5 : 0;
    }
    if (ReadFields(tokens, 6, 2, fields)) {
        RecordFields five;
        if (fields.scale >= 2 || !ReadFields(tokens, 5, 2, five)) {
            return 6;
        }
        fields = five;
        return 5;
    }
    return ReadFields(tokens, 5, 2, fields) ? 5 : 0;
}

bool IsUnusedHeading(const CLineWords& tokens) {
    return tokens.size() >= 3 && tokens[0].text == "UNUSED" && tokens[1].text == "ADDRESS" &&
           tokens[2].text == "RANGES";
}

bool IsNumber(std::string_view text) {
    return IsAddress(text) || IsDecimal(text);
}

// A line in column 0 that is not a record is an object's name, which may hold spaces; but a
// line whose last word is a memory space and most of the four words before it are numbers is a
// record with a damaged field, and taking it as a name would move its bytes elsewhere unseen.
bool LooksLikeRecord(const CLineWords& tokens) {
    if (tokens.size() < 7 || !IsDecimal(tokens.back().text)) {
        return false;
    }
    int numbers = 0;
    for (std::size_t i = tokens.size() - 5; i + 1 < tokens.size(); ++i) {
        numbers += IsNumber(tokens[i].text) ? 1 : 0;
    }
    return numbers >= 3;
}

// The first of a record's Link Load Length Selector Space fields (the last five words of the
// line) that is not a number; empty when each is one.
std::string_view FirstBadField(const CLineWords& tokens) {
    const std::size_t count = std::min<std::size_t>(5, tokens.size() > 0 ? tokens.size() - 1 : 0);
    for (std::size_t i = tokens.size() - count; i < tokens.size(); ++i) {
        if (!IsNumber(tokens[i].text)) {
            return tokens[i].text;
        }
    }
    return {};
}

bool IsRangeToken(std::string_view text, std::uint64_t& begin, std::uint64_t& end) {
    const std::size_t dash = text.find('-');
    if (dash == std::string_view::npos) {
        return false;
    }
    auto number = [](std::string_view digits, std::uint64_t& value) {
        if (!digits.empty() && (digits.back() == 'h' || digits.back() == 'H')) {
            digits.remove_suffix(1);
        }
        return ParseHex32(digits, HexCase::kAny, value);
    };
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    if (!number(text.substr(0, dash), low) || !number(text.substr(dash + 1), high) || high < low) {
        return false;
    }
    begin = low;
    end = high + 1;
    return true;
}

class CListingReader {
public:
    CListingReader(CLineReader& lines, const std::string& fileName, ListingScope scope,
                   MapListing& listing, CListingSink& sink)
        : m_lines(lines), m_fileName(fileName), m_scope(scope), m_listing(listing), m_sink(sink) {}

    void Read() {
        long lineNumber = 0;
        std::string_view line;
        while (m_lines.Next(line)) {
            ++lineNumber;
            ReadLine(line, lineNumber);
            if (m_scope == ListingScope::kPreamble && m_listing.hasTable) {
                return;
            }
        }
        m_listing.lastLine = lineNumber;
        m_listing.cutShort = m_state == State::kTable && !m_sawCommon;
        if (!m_listing.hasTable && m_scope == ListingScope::kWhole) {
            throw MapError(m_fileName, 0,
                           "no section table (no line 'Name Link Load Length Selector Space')");
        }
    }

private:
    enum class State { kPreamble, kTable, kTotal, kAfter, kUnused };

    void ReadLine(std::string_view line, long number) {
        const CLineWords tokens(line);
        const bool columnZero = !line.empty() && IsTokenByte(static_cast<unsigned char>(line[0]));
        // A section ends at the first line that cannot belong to it; that line is read again
        // as part of what follows.
        for (;;) {
            switch (m_state) {
                case State::kPreamble:
                    ReadPreambleLine(tokens, number);
                    return;
                case State::kTable:
                    if (ReadTableLine(line, tokens, columnZero, number)) {
                        return;
                    }
                    break;
                case State::kTotal:
                    if (ReadTotalLine(line, tokens, columnZero, number)) {
                        return;
                    }
                    break;
                case State::kAfter:
                    if (IsUnusedHeading(tokens)) {
                        m_listing.hasUnusedSection = true;
                        m_unusedClass.clear();
                        m_state = State::kUnused;
                    } else if (columnZero && !tokens.empty() && tokens[0].text == "TOTAL" &&
                               !m_listing.hasTotalSection) {
                        // Only the word itself: past the section table, a symbol may start
                        // with those letters.
                        m_listing.hasTotalSection = true;
                        m_state = State::kTotal;
                    }
                    return;
                case State::kUnused:
                    if (ReadUnusedLine(tokens, number)) {
                        return;
                    }
                    break;
            }
        }
    }

    void ReadPreambleLine(const CLineWords& tokens, long number) {
        if (IsTableHeading(tokens)) {
            m_listing.hasTable = true;
            m_state = State::kTable;
            return;
        }
        if (tokens.size() >= 4 && tokens[0].text == "Machine" && tokens[1].text == "type" &&
            tokens[2].text == "is" && m_listing.machineType.empty()) {
            m_listing.machineType = std::string(tokens[3].text);
            return;
        }
        tokens.ForEach([&](std::size_t, MapWord word) {
            if (StartsWith(word.text, "-A")) {
                ReadClassOption(word.text, number);
            }
            return true;
        });
    }

    // -ACLASS=range,range,...
    void ReadClassOption(std::string_view option, long number) {
        const std::size_t equals = option.find('=');
        if (equals == std::string_view::npos || equals <= 2) {
            return;
        }
        const std::string className(option.substr(2, equals - 2));
        std::string_view ranges = option.substr(equals + 1);
        for (;;) {
            const std::size_t comma = ranges.find(',');
            const std::string_view range = ranges.substr(0, comma);
            ClassRange classRange{number, className, 0, 0};
            if (!ParseClassRange(range, classRange.begin, classRange.end)) {
                throw MapError(
                    m_fileName, number,
                    "class range " + Quote(range) + " of " + Quote(option) + " cannot be read");
            }
            m_listing.classRanges.push_back(std::move(classRange));
            if (comma == std::string_view::npos) {
                break;
            }
            ranges.remove_prefix(comma + 1);
        }
    }

    bool ReadTableLine(std::string_view line, const CLineWords& tokens, bool columnZero,
                       long number) {
        if (tokens.empty() || IsTableHeading(tokens)) {
            return true;
        }
        // Whole words: an object may be called TOTALIZER.obj.
        if (columnZero && tokens[0].text == "TOTAL") {
            m_listing.hasTotalSection = true;
            m_state = State::kTotal;
            return true;
        }
        if (columnZero && (tokens[0].text == "SEGMENTS" || IsUnusedHeading(tokens))) {
            m_state = State::kAfter;
            return false;
        }
        RecordFields values;
        const std::size_t fields = RecordFieldCount(tokens, columnZero, values);
        if (fields == 0) {
            if ((!columnZero && tokens.size() != 1) || (columnZero && LooksLikeRecord(tokens))) {
                std::string detail =
                    "cannot read this line of the section table: " + Quote(Trim(line));
                const std::string_view bad = FirstBadField(tokens);
                if (!bad.empty()) {
                    detail += " (" + QuoteForMessage(bad, 40) + " is not a number)";
                }
                throw MapError(m_fileName, number, detail);
            }
            NameObject(Trim(line));
            return true;
        }
        const std::size_t nameIndex = tokens.size() - fields - 1;
        if (columnZero) {
            NameObject(TrimRight(line.substr(0, tokens[nameIndex].offset)));
        }
        // One record, reused from line to line: its name keeps its storage.
        SectionRecord& record = m_record;
        record.line = number;
        record.object = m_currentObject;
        record.common = m_inCommon;
        record.name.assign(tokens[nameIndex].text);
        record.link = values.link;
        record.load = values.load;
        record.length = ParseLength(tokens[nameIndex + 3].text, m_fileName, number);
        record.space = values.space;
        record.scale = values.scale;
        m_sink.AddRecord(record);
        return true;
    }

    // A name alone, or in front of a record in column 0: "COMMON" opens the common block,
    // anything else (an object, a library, whatever the compiler wrote) becomes the owner of
    // the records that follow.
    void NameObject(std::string_view name) {
        if (name == "COMMON") {
            m_inCommon = true;
            m_sawCommon = true;
            m_currentObject = -1;
            return;
        }
        m_inCommon = false;
        m_sink.AddObject(name);
        m_currentObject = m_objectCount++;
    }

    bool ReadTotalLine(std::string_view line, const CLineWords& tokens, bool columnZero,
                       long number) {
        if (tokens.empty()) {
            return true;
        }
        if (columnZero) {
            m_state = State::kAfter;
            return false;
        }
        if (tokens[0].text == "CLASS") {
            if (tokens.size() != 2) {
                throw MapError(m_fileName, number,
                               "cannot read this CLASS line: " + Quote(Trim(line)));
            }
            // Every record from here on is of this class: the record is reused from line to line.
            m_total.className.assign(tokens[1].text);
            return true;
        }
        if (tokens[0].text == "Name") {
            return true;
        }
        TotalRecord& record = m_total;
        record.line = number;
        record.space = 0;
        const bool shaped =
            (tokens.size() == 4 || tokens.size() == 5) &&
            ParseHex32(tokens[1].text, HexCase::kAny, record.link) &&
            ParseHex32(tokens[2].text, HexCase::kAny, record.load) &&
            (tokens.size() == 4 || ParseSignedDecimal(tokens[4].text, record.space));
        if (!shaped) {
            throw MapError(m_fileName, number,
                           "cannot read this line of the TOTAL section: " + Quote(Trim(line)));
        }
        record.name.assign(tokens[0].text);
        record.length = ParseLength(tokens[3].text, m_fileName, number);
        record.hasSpace = tokens.size() == 5;
        m_sink.AddTotal(record);
        return true;
    }

    // "CLASS  low-high [largest block]", or "low-high ..." continuing the class above.
    bool ReadUnusedLine(const CLineWords& tokens, long number) {
        if (tokens.empty() || tokens[0].text == "Name") {
            return true;
        }
        std::uint64_t begin = 0;
        std::uint64_t end = 0;
        std::size_t rangeIndex = 0;
        if (!IsRangeToken(tokens[0].text, begin, end)) {
            if (tokens.size() < 2 || !IsRangeToken(tokens[1].text, begin, end)) {
                m_state = State::kAfter;
                return false;
            }
            m_unusedClass = std::string(tokens[0].text);
            rangeIndex = 1;
        } else if (m_unusedClass.empty()) {
            m_state = State::kAfter;
            return false;
        }
        bool addresses = true;
        tokens.ForEach([&](std::size_t i, MapWord word) {
            addresses = i <= rangeIndex || IsAddress(word.text);
            return addresses;
        });
        if (!addresses) {
            m_state = State::kAfter;
            return false;
        }
        m_listing.unusedRanges.push_back({number, m_unusedClass, begin, end});
        return true;
    }

    CLineReader& m_lines;
    const std::string& m_fileName;
    ListingScope m_scope;
    MapListing& m_listing;
    CListingSink& m_sink;
    State m_state = State::kPreamble;
    int m_objectCount = 0;
    int m_currentObject = -1;
    SectionRecord m_record;
    TotalRecord m_total;
    bool m_inCommon = false;
    bool m_sawCommon = false;
    std::string m_unusedClass;
};

}  // namespace

void CListingKeeper::AddObject(std::string_view name) {
    m_listing.objects.emplace_back(name);
}

void CListingKeeper::AddRecord(const SectionRecord& record) {
    m_listing.records.push_back(record);
}

void CListingKeeper::AddTotal(const TotalRecord& total) {
    m_listing.totals.push_back(total);
}

bool ParseClassRange(std::string_view text, std::uint64_t& begin, std::uint64_t& end) {
    const std::size_t dash = text.find('-');
    if (dash == std::string_view::npos) {
        return false;
    }
    std::string_view highText = text.substr(dash + 1);
    // "00h-0FFh/02100h": a range that is loaded elsewhere (as PIC16 maps write EEPROM data).
    // The class's addresses are the range itself; the load address must still be a number.
    const std::size_t slash = highText.find('/');
    if (slash != std::string_view::npos) {
        std::uint64_t loadAddress = 0;
        if (!ParseOptionNumber(highText.substr(slash + 1), loadAddress)) {
            return false;
        }
        highText = highText.substr(0, slash);
    }
    std::uint64_t repeat = 1;
    const std::size_t times = highText.find_first_of("xX");
    if (times != std::string_view::npos) {
        if (!ParseUnsignedDecimal(highText.substr(times + 1), kMaxRepeat, repeat) || repeat == 0) {
            return false;
        }
        highText = highText.substr(0, times);
    }
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    if (!ParseOptionNumber(text.substr(0, dash), low) || !ParseOptionNumber(highText, high) ||
        high < low) {
        return false;
    }
    begin = low;
    end = high == low ? low : low + (high - low + 1) * repeat;
    return true;
}

void ReadMapListing(std::string_view bytes, const std::string& fileName, MapListing& listing,
                    CListingSink& sink) {
    CLineReader lines(bytes);
    CListingReader(lines, fileName, ListingScope::kWhole, listing, sink).Read();
}

MapListing ReadMapListing(std::string_view bytes, const std::string& fileName, ListingScope scope) {
    MapListing listing;
    CListingKeeper keeper(listing);
    CLineReader lines(bytes);
    CListingReader(lines, fileName, scope, listing, keeper).Read();
    return listing;
}

void ReadMapListing(CMapFile& file, MapListing& listing, CListingSink& sink) {
    CLineReader lines(file, nullptr);
    CListingReader(lines, file.Name(), ListingScope::kWhole, listing, sink).Read();
}

MapListing ReadMapPreamble(CMapFile& file, std::string& bytesRead) {
    MapListing listing;
    CListingKeeper keeper(listing);
    CLineReader lines(file, &bytesRead);
    CListingReader(lines, file.Name(), ListingScope::kPreamble, listing, keeper).Read();
    return listing;
}
