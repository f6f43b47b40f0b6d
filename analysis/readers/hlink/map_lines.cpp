#include "readers/hlink/map_lines.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "text/hex_text.h"
#include "core/large_pages.h"
#include "core/map_error.h"
#include "text/map_text.h"
#include "readers/hlink/token_reader.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::uint64_t kMaxAddress = 0xFFFFFFFFu;
constexpr std::uint64_t kMaxRepeat = 0xFFFFFFu;

struct Token {
    std::string_view text;
    std::size_t offset = 0;
};

// One bit per byte of 16, set for a byte of a word (IsTokenByte).
inline std::uint32_t WordBytes16(const char* bytes) {
#if defined(__SSE2__)
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(x, _mm_set1_epi8(0x20)), x);
    const __m128i separator = _mm_or_si128(low, _mm_cmpeq_epi8(x, _mm_set1_epi8(0x7F)));
    return ~static_cast<std::uint32_t>(_mm_movemask_epi8(separator)) & 0xFFFFu;
#else
    std::uint32_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        bits |= static_cast<std::uint32_t>(IsTokenByte(static_cast<unsigned char>(bytes[i]))) << i;
    }
    return bits;
#endif
}

// Calls visit(start, end) for each word of the line in turn while it returns true. Sixteen bytes
// at a time: words start and end where the kind of byte changes.
template <typename Visit>
void ForEachWord(std::string_view line, Visit&& visit) {
    const char* const bytes = line.data();
    const std::size_t n = line.size();
    std::uint32_t previous = 0;  // 1 when the byte before the group belongs to a word
    std::size_t start = 0;
    bool inWord = false;
    for (std::size_t base = 0; base < n; base += 16) {
        std::uint32_t words = 0;
        if (n - base >= 16) {
            words = WordBytes16(bytes + base);
        } else if (n >= 16) {
            // The line's last 16 bytes, moved down to the group's: no byte past the line is read.
            words = WordBytes16(bytes + n - 16) >> (16 - (n - base));
        } else {
            char tail[16] = {};  // zeros are separators
            std::memcpy(tail, bytes + base, n - base);
            words = WordBytes16(tail);
        }
        std::uint32_t changes = (words ^ ((words << 1) | previous)) & 0xFFFFu;
        previous = words >> 15;
        while (changes != 0) {
            const std::size_t at = base + static_cast<std::size_t>(__builtin_ctz(changes));
            changes &= changes - 1;
            if (!inWord) {
                start = at;
                inWord = true;
            } else {
                inWord = false;
                if (!visit(start, at)) {
                    return;
                }
            }
        }
    }
    if (inWord) {
        visit(start, n);
    }
}

// The words of a line. A line may hold millions of them, but the reader needs only the first few
// (key words, TOTAL records) and the last few (a record's fields and name): those are kept; any
// other is found by walking the line again, and ForEach walks them all.
class CLineTokens {
public:
    static constexpr std::size_t kKept = 8;

    explicit CLineTokens(std::string_view line) : m_line(line) {
        ForEachWord(line, [this](std::size_t start, std::size_t end) {
            const Bounds bounds{start, end};
            if (m_count < kKept) {
                m_first[m_count] = bounds;
            }
            m_last[m_count % kKept] = bounds;
            ++m_count;
            return true;
        });
    }

    std::size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    Token back() const { return (*this)[m_count - 1]; }
    std::string_view Text(std::size_t start, std::size_t end) const {
        return m_line.substr(start, end - start);
    }

    // Word `index`, which must be below size().
    Token operator[](std::size_t index) const {
        if (index < kKept) {
            return Make(m_first[index]);
        }
        if (index + kKept >= m_count) {
            return Make(m_last[index % kKept]);
        }
        Bounds found{0, 0};
        ForEach([&](std::size_t i, std::size_t start, std::size_t end) {
            found = {start, end};
            return i < index;
        });
        return Make(found);
    }

    // Calls visit(index, start, end) for each word in turn while it returns true.
    template <typename Visit>
    void ForEach(Visit&& visit) const {
        std::size_t index = 0;
        ForEachWord(m_line,
                    [&](std::size_t start, std::size_t end) { return visit(index++, start, end); });
    }

private:
    struct Bounds {
        std::size_t start;
        std::size_t end;
    };

    Token Make(Bounds bounds) const {
        return {m_line.substr(bounds.start, bounds.end - bounds.start), bounds.start};
    }

    std::string_view m_line;
    std::size_t m_count = 0;
    Bounds m_first[kKept];  // words 0 to kKept - 1
    Bounds m_last[kKept];   // the last kKept words, word i at i % kKept
};

// The lines of a map, from bytes in memory or from a file a block at a time. A line that runs
// past the end of a block is put together whole, however long.
class CLineSource {
public:
    explicit CLineSource(std::string_view bytes)
        : m_next(bytes.data()), m_end(bytes.data() + bytes.size()) {}

    // With `kept`, every byte read from the file is kept in it (what it held is dropped), and
    // lines are views into it.
    CLineSource(CMapFile& file, std::string* kept)
        : m_file(&file), m_kept(kept), m_buffer(kept == nullptr ? new char[kReadSize] : nullptr) {
        if (kept != nullptr) {
            kept->clear();
            m_next = m_end = kept->data();
        }
    }

    // The next line, without its LF; false at the end of input.
    bool Next(std::string_view& line) {
        if (m_spilled) {
            m_spill.clear();
            m_spilled = false;
        }
        std::size_t searched = 0;  // bytes from m_next on that hold no line feed
        for (;;) {
            const char* const from = m_next + searched;
            const auto* lineFeed = from == m_end
                                       ? nullptr
                                       : static_cast<const char*>(std::memchr(
                                             from, '\n', static_cast<std::size_t>(m_end - from)));
            if (lineFeed != nullptr) {
                line = Take(lineFeed);
                m_next = lineFeed + 1;
                return true;
            }
            const auto all = static_cast<std::size_t>(m_end - m_next);
            if (m_file == nullptr || m_atEnd || !(m_kept != nullptr ? ReadKept() : ReadBlock())) {
                if (m_next == m_end && m_spill.empty()) {
                    return false;
                }
                line = Take(m_end);
                m_next = m_end;
                return true;
            }
            // The kept bytes still hold the start of the line, searched; a new block holds none
            // of it.
            searched = m_kept != nullptr ? all : 0;
        }
    }

private:
    static constexpr std::size_t kReadSize = 128 * 1024;

    // The line up to `end`, with what was gathered of it before.
    std::string_view Take(const char* end) {
        if (m_spill.empty()) {
            return std::string_view(m_next, static_cast<std::size_t>(end - m_next));
        }
        m_spill.append(m_next, end);
        m_spilled = true;
        return m_spill;
    }

    // Room in `text` for `more` bytes. Once it is longer than a block, room for the rest of the
    // file at once rather than growing step by step, which would hold the old and the new copy,
    // twice the text.
    template <typename Text>
    void MakeRoom(Text& text, std::size_t more) {
        if (text.size() + more > text.capacity() && text.size() >= kReadSize) {
            text.reserve(std::max(2 * text.size(), text.size() + more + m_file->SizeLeft()));
        }
    }

    // Keeps the start of the line that the block ends in and reads the next block; false at the
    // end of the file.
    bool ReadBlock() {
        const auto rest = static_cast<std::size_t>(m_end - m_next);
        if (rest > 0) {
            MakeRoom(m_spill, rest);
            m_spill.append(m_next, rest);
        }
        const std::size_t count = m_file->Read(m_buffer.get(), kReadSize);
        m_next = m_buffer.get();
        m_end = m_next + count;
        m_atEnd = count == 0;
        return !m_atEnd;
    }

    // Reads the next block onto the end of the kept bytes, where the start of the line is.
    bool ReadKept() {
        std::string& kept = *m_kept;
        const auto next = static_cast<std::size_t>(m_next - kept.data());
        const std::size_t size = kept.size();
        MakeRoom(kept, kReadSize);
        kept.resize(size + kReadSize);
        const std::size_t count = m_file->Read(&kept[size], kReadSize);
        kept.resize(size + count);
        m_next = kept.data() + next;
        m_end = kept.data() + kept.size();
        m_atEnd = count == 0;
        return !m_atEnd;
    }

    const char* m_next = nullptr;  // the bytes not yet handed out
    const char* m_end = nullptr;
    CMapFile* m_file = nullptr;
    std::string* m_kept = nullptr;
    std::unique_ptr<char[]> m_buffer;
    // The start of a line that crosses blocks. Room for a long line is a mapping of its own in
    // large pages: a line of many MB takes few page faults, and its room is given back at once.
    std::basic_string<char, std::char_traits<char>, CLargePageAllocator<char>> m_spill;
    bool m_spilled = false;
    bool m_atEnd = false;
};

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::string Quote(std::string_view line) {
    return QuoteForMessage(line, 60);
}

// Hexadecimal text whose value fits in 32 bits (leading zeros allowed). Eight digits or fewer,
// as nearly every field has, always fit: their bad bytes are gathered rather than returned at.
bool ParseHex(std::string_view text, bool upperOnly, std::uint64_t& value) {
    if (text.size() - 1 < 8) {
        const auto& digits = upperOnly ? hex_detail::kUpperDigits : hex_detail::kAnyCaseDigits;
        std::uint32_t sum = 0;
        std::uint32_t bad = 0;
        for (char c : text) {
            const std::uint32_t digit = digits[static_cast<unsigned char>(c)];
            bad |= digit;
            sum = (sum << 4) | (digit & 0xFu);
        }
        value = sum;
        return bad <= 0xFu;
    }
    return ParseHexNumber(text, upperOnly, kMaxAddress, value);
}

bool ParseUnsignedDecimal(std::string_view text, std::uint64_t limit, std::uint64_t& value) {
    if (text.empty()) {
        return false;
    }
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10u + static_cast<std::uint64_t>(c - '0');
        if (value > limit) {
            return false;
        }
    }
    return true;
}

// A decimal field (space or scale): optional minus sign, digits, magnitude within 32 bits.
bool ParseDecimal(std::string_view text, std::int64_t& value) {
    const bool negative = !text.empty() && text[0] == '-';
    std::uint64_t magnitude = 0;
    if (!ParseUnsignedDecimal(text.substr(negative ? 1 : 0), kMaxAddress, magnitude)) {
        return false;
    }
    value = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return true;
}

bool IsAddress(std::string_view text) {
    std::uint64_t value = 0;
    return ParseHex(text, false, value);
}

bool IsDecimal(std::string_view text) {
    std::int64_t value = 0;
    return ParseDecimal(text, value);
}

// A number of a -A option: hexadecimal with an h suffix, or decimal.
bool ParseOptionNumber(std::string_view text, std::uint64_t& value) {
    if (!text.empty() && (text.back() == 'h' || text.back() == 'H')) {
        return ParseHex(text.substr(0, text.size() - 1), false, value);
    }
    return ParseUnsignedDecimal(text, kMaxAddress, value);
}

// The length of a section: upper-case hexadecimal, as the rest of the tool reads lengths.
std::uint64_t ParseLength(std::string_view text, const std::string& fileName, long line) {
    std::uint64_t value = 0;
    if (ParseHex(text, true, value)) {
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

bool IsTableHeader(const CLineTokens& tokens) {
    static constexpr std::string_view kHeader[] = {"Name",     "Link",  "Load", "Length",
                                                   "Selector", "Space", "Scale"};
    if (tokens.size() != 6 && tokens.size() != 7) {
        return false;
    }
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].text != kHeader[i]) {
            return false;
        }
    }
    return true;
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
bool ReadFields(const CLineTokens& tokens, std::size_t count, std::size_t before,
                RecordFields& fields) {
    if (tokens.size() < count + before) {
        return false;
    }
    const std::size_t f = tokens.size() - count;
    std::uint64_t selector = 0;
    fields.scale = 0;
    return ParseHex(tokens[f].text, false, fields.link) &&
           ParseHex(tokens[f + 1].text, false, fields.load) &&
           ParseHex(tokens[f + 3].text, false, selector) &&
           ParseDecimal(tokens[f + 4].text, fields.space) &&
           (count == 5 || ParseDecimal(tokens[f + 5].text, fields.scale));
}

// How many trailing fields a table line has: 6 (with Scale), 5, or 0 when it is no record; the
// values of a record's fields go to `fields`. An indented record is a section name and its
// fields; a record in column 0 has an object name (which may hold spaces) in front. A Scale is
// taken only where the line cannot be read otherwise, or where its value (8 for bit sections)
// could not be a memory space of a record.
std::size_t RecordFieldCount(const CLineTokens& tokens, bool columnZero, RecordFields& fields) {
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

bool IsUnusedHeading(const CLineTokens& tokens) {
    return tokens.size() >= 3 && tokens[0].text == "UNUSED" && tokens[1].text == "ADDRESS" &&
           tokens[2].text == "RANGES";
}

bool IsNumber(std::string_view text) {
    return IsAddress(text) || IsDecimal(text);
}

// A line in column 0 that is not a record is an object's name, which may hold spaces; but a
// line whose last word is a memory space and most of the four words before it are numbers is a
// record with a damaged field, and taking it as a name would move its bytes elsewhere unseen.
bool LooksLikeRecord(const CLineTokens& tokens) {
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
std::string_view FirstBadField(const CLineTokens& tokens) {
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
        return ParseHex(digits, false, value);
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
    CListingReader(CLineSource& lines, const std::string& fileName, ListingScope scope,
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
        const CLineTokens tokens(line);
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

    void ReadPreambleLine(const CLineTokens& tokens, long number) {
        if (IsTableHeader(tokens)) {
            m_listing.hasTable = true;
            m_state = State::kTable;
            return;
        }
        if (tokens.size() >= 4 && tokens[0].text == "Machine" && tokens[1].text == "type" &&
            tokens[2].text == "is" && m_listing.machineType.empty()) {
            m_listing.machineType = std::string(tokens[3].text);
            return;
        }
        tokens.ForEach([&](std::size_t, std::size_t start, std::size_t end) {
            const std::string_view token = tokens.Text(start, end);
            if (StartsWith(token, "-A")) {
                ReadClassOption(token, number);
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

    bool ReadTableLine(std::string_view line, const CLineTokens& tokens, bool columnZero,
                       long number) {
        if (tokens.empty() || IsTableHeader(tokens)) {
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

    bool ReadTotalLine(std::string_view line, const CLineTokens& tokens, bool columnZero,
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
        const bool shaped = (tokens.size() == 4 || tokens.size() == 5) &&
                            ParseHex(tokens[1].text, false, record.link) &&
                            ParseHex(tokens[2].text, false, record.load) &&
                            (tokens.size() == 4 || ParseDecimal(tokens[4].text, record.space));
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
    bool ReadUnusedLine(const CLineTokens& tokens, long number) {
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
        tokens.ForEach([&](std::size_t i, std::size_t first, std::size_t last) {
            addresses = i <= rangeIndex || IsAddress(tokens.Text(first, last));
            return addresses;
        });
        if (!addresses) {
            m_state = State::kAfter;
            return false;
        }
        m_listing.unusedRanges.push_back({number, m_unusedClass, begin, end});
        return true;
    }

    CLineSource& m_lines;
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
    CLineSource lines(bytes);
    CListingReader(lines, fileName, ListingScope::kWhole, listing, sink).Read();
}

MapListing ReadMapListing(std::string_view bytes, const std::string& fileName, ListingScope scope) {
    MapListing listing;
    CListingKeeper keeper(listing);
    CLineSource lines(bytes);
    CListingReader(lines, fileName, scope, listing, keeper).Read();
    return listing;
}

void ReadMapListing(CMapFile& file, MapListing& listing, CListingSink& sink) {
    CLineSource lines(file, nullptr);
    CListingReader(lines, file.Name(), ListingScope::kWhole, listing, sink).Read();
}

MapListing ReadMapPreamble(CMapFile& file, std::string& bytesRead) {
    MapListing listing;
    CListingKeeper keeper(listing);
    CLineSource lines(file, &bytesRead);
    CListingReader(lines, file.Name(), ListingScope::kPreamble, listing, keeper).Read();
    return listing;
}
