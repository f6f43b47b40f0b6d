#include "readers/hlink/section_tally.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <tuple>
#include <type_traits>
#include <unordered_map>
#include <utility>

#include "core/address_ranges.h"
#include "text/hex_text.h"
#include "core/large_pages.h"

namespace {

// Data memory starts at 0x200000 in space 0 of a PIC18 map: ID locations, configuration words
// and EEPROM data live there, never program code.
constexpr std::uint64_t kSpecialAddressStart = 0x200000;

// Some compilers cut section names to this many characters in the per-object table.
constexpr std::size_t kCutLength = 9;

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool IsBankClass(std::string_view name) {
    if (!StartsWith(name, "BANK") || name.size() == 4) {
        return false;
    }
    for (char c : name.substr(4)) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

struct MemorySets {
    CAddressSet program;
    CAddressSet data;
};

// The addresses of the program-memory and of the data classes among the ranges.
MemorySets SetsOfClasses(const std::vector<ClassRange>& ranges) {
    std::vector<AddressRange> program;
    std::vector<AddressRange> data;
    for (const ClassRange& range : ranges) {
        const ClassMemory memory = ClassMemoryOf(range.className);
        if (memory == ClassMemory::kProgram) {
            program.push_back({range.begin, range.end});
        } else if (memory == ClassMemory::kData) {
            data.push_back({range.begin, range.end});
        }
    }
    return MemorySets{CAddressSet::FromRanges(std::move(program)),
                      CAddressSet::FromRanges(std::move(data))};
}

// The part of ClassifySection that follows from what is known of the class and the name: whether
// a class holds the section, whether that class is CONFIG, IDLOC or EEDATA, and whether the name
// is one of those of configuration words, ID locations or EEPROM data.
MemoryKind Classify(bool hasClass, bool otherClass, bool otherName, std::uint64_t byteAddress,
                    std::int64_t space) {
    if (hasClass ? otherClass : otherName) {
        return MemoryKind::kOther;
    }
    if (space == 0) {
        return byteAddress >= kSpecialAddressStart ? MemoryKind::kOther : MemoryKind::kRom;
    }
    return space == 1 ? MemoryKind::kRam : MemoryKind::kOther;
}

bool IsOtherSectionName(std::string_view name) {
    return StartsWith(name, "config") || StartsWith(name, "idloc") || StartsWith(name, "eeprom");
}

constexpr std::uint32_t kNone = UINT32_MAX;

// A list that grows a block at a time: adding to it never moves what it holds, so that a large
// list is never held twice (the old copy and the new) nor copied while it grows. A block is one
// large page; unless the list is expected to grow large, the first, all that most maps need, is
// left in ordinary pages, which take room only as they are written.
template <typename T>
class CBlockList {
    static_assert(std::is_trivially_copyable<T>::value && std::is_trivially_destructible<T>::value,
                  "items are kept in raw blocks");

public:
    void push_back(const T& item) {
        if (m_size == m_blocks.size() * kBlockSize) {
            AddBlock();
        }
        (*this)[m_size++] = item;
    }

    // When `items` would fill a block, every block, the first too, is asked for as large pages.
    void Expect(std::size_t items) { m_large = items * sizeof(T) >= kLargePageSize; }

    bool empty() const { return m_size == 0; }
    T& back() { return (*this)[m_size - 1]; }
    T& operator[](std::size_t i) { return m_blocks[i / kBlockSize].get()[i % kBlockSize]; }
    const T& operator[](std::size_t i) const {
        return m_blocks[i / kBlockSize].get()[i % kBlockSize];
    }
    std::size_t size() const { return m_size; }

    template <typename List, typename Item>
    class Iterator {
    public:
        Iterator(List& list, std::size_t index) : m_list(list), m_index(index) {}
        Item& operator*() const { return m_list[m_index]; }
        Iterator& operator++() {
            ++m_index;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return m_index != other.m_index; }

    private:
        List& m_list;
        std::size_t m_index;
    };

    Iterator<CBlockList, T> begin() { return {*this, 0}; }
    Iterator<CBlockList, T> end() { return {*this, m_size}; }
    Iterator<const CBlockList, const T> begin() const { return {*this, 0}; }
    Iterator<const CBlockList, const T> end() const { return {*this, m_size}; }

private:
    static constexpr std::size_t kBlockSize = kLargePageSize / sizeof(T);

    struct FreeBlock {
        void operator()(T* block) const { FreeLargeBlock(block, kBlockSize * sizeof(T)); }
    };

    void AddBlock() {
        std::unique_ptr<T, FreeBlock> block(static_cast<T*>(NewLargeBlock(kBlockSize * sizeof(T))));
        std::uninitialized_default_construct_n(block.get(), kBlockSize);
        if (m_large || !m_blocks.empty()) {
            AdviseLargePages(block.get(), kBlockSize * sizeof(T));
        }
        m_blocks.push_back(std::move(block));
    }

    std::vector<std::unique_ptr<T, FreeBlock>> m_blocks;
    std::size_t m_size = 0;
    bool m_large = false;
};

// Each distinct name once, copied into the table's store and known by a number from 0 up: a map
// repeats a few dozen section names hundreds of thousands of times.
class CNameIndex {
public:
    explicit CNameIndex(CNameStore& store) : m_store(store), m_slots(64, kNone) {}

    std::uint32_t Id(std::string_view name) {
        const std::uint64_t hash = Hash(name);
        const std::size_t mask = m_slots.size() - 1;
        std::size_t slot = hash & mask;
        for (; m_slots[slot] != kNone; slot = (slot + 1) & mask) {
            const std::uint32_t id = m_slots[slot];
            if (m_hashes[id] == hash && m_names[id] == name) {
                return id;
            }
        }
        const auto id = static_cast<std::uint32_t>(m_names.size());
        m_names.push_back(m_store.Add(name));
        m_hashes.push_back(hash);
        m_slots[slot] = id;
        if (2 * m_names.size() > m_slots.size()) {
            Grow();
        }
        return id;
    }

    std::string_view Name(std::uint32_t id) const { return m_names[id]; }
    std::size_t Size() const { return m_names.size(); }

private:
    // Names of up to 16 bytes (nearly all) from two loads that cover them; longer ones byte by
    // byte (FNV-1a), so that names that differ only in the middle do not all collide.
    static std::uint64_t Hash(std::string_view name) {
        const std::size_t n = name.size();
        std::uint64_t hash = n;
        if (n <= 16) {
            std::uint64_t head = 0;
            std::uint64_t tail = 0;
            std::memcpy(&head, name.data(), std::min<std::size_t>(n, 8));
            if (n > 8) {
                std::memcpy(&tail, name.data() + n - 8, 8);
            }
            hash ^= (head * 0x9E3779B97F4A7C15ull) ^ (tail * 0xC2B2AE3D27D4EB4Full);
        } else {
            hash = 0xCBF29CE484222325ull;
            for (char c : name) {
                hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
            }
        }
        return hash ^ (hash >> 29);
    }

    void Grow() {
        m_slots.assign(2 * m_slots.size(), kNone);
        const std::size_t mask = m_slots.size() - 1;
        for (std::uint32_t id = 0; id < m_names.size(); ++id) {
            std::size_t slot = m_hashes[id] & mask;
            while (m_slots[slot] != kNone) {
                slot = (slot + 1) & mask;
            }
            m_slots[slot] = id;
        }
    }

    CNameStore& m_store;
    std::vector<std::uint32_t> m_slots;  // ids, kNone where free
    std::vector<std::string_view> m_names;
    std::vector<std::uint64_t> m_hashes;
};

// Rows that belong to no object: COMMON blocks, overlays, class totals. Rows of the same name
// are one row; they follow the objects, in the order they are first met.
class CSpecialRows {
public:
    explicit CSpecialRows(std::size_t firstId) : m_firstId(firstId) {}

    // The id the row of that name has once the rows are added to the table.
    std::uint32_t Row(const std::string& name) {
        const auto found = m_index.emplace(name, m_names.size());
        if (found.second) {
            m_names.push_back(name);
            m_totals.emplace_back();
        }
        m_current = found.first->second;
        return static_cast<std::uint32_t>(m_firstId + m_current);
    }
    MemoryTotals& Totals() { return m_totals[m_current]; }

    void AddTo(SizeTable& table) const {
        for (std::size_t i = 0; i < m_names.size(); ++i) {
            SizeRow& row = table.AddRow(m_names[i], RowKind::kSpecial);
            row.rom = m_totals[i].rom;
            row.ram = m_totals[i].ram;
            row.other = m_totals[i].other;
        }
    }

private:
    std::size_t m_firstId;
    std::size_t m_current = 0;
    std::vector<std::string> m_names;
    std::vector<MemoryTotals> m_totals;
    std::unordered_map<std::string, std::size_t> m_index;
};

// The complete tally, fed the map's objects, records and class totals as they are read. Each
// record and class total is kept in 16 bytes until the map is read to its end (a record's class
// comes from the TOTAL section after the table): names as numbers, the object and the class as
// runs over the list, what decides its memory worked out at once. Finish then classifies them
// all, finds the overlays and makes the rows.
class CSectionTally final : public CListingSink {
public:
    // `mapBytes`: the size of the map, where it is known, to make room for its rows at once.
    explicit CSectionTally(TallyDetail detail, std::size_t mapBytes = 0)
        : m_detail(detail), m_names(m_tally.names) {
        m_tally.rule = SectionRule::kAll;
        m_tally.ReserveFor(mapBytes);
        // The lists of records and class totals are longer than the rows: nearly every object
        // has a record or more, each with its class total.
        const std::size_t objects = LikelyRowsAtMost(mapBytes);
        m_pieces.Expect(objects);
        m_objectRuns.Expect(objects);
        m_totals.Expect(objects);
    }

    void AddObject(std::string_view name) override { m_tally.AddRow(name, RowKind::kObject); }

    void AddRecord(const SectionRecord& record) override {
        const std::uint32_t object =
            record.object < 0 || record.common ? kNone : static_cast<std::uint32_t>(record.object);
        if (m_objectRuns.empty() || m_objectRuns.back().owner != object) {
            m_objectRuns.push_back({static_cast<std::uint32_t>(m_pieces.size()), object});
        }
        Piece piece;
        piece.name = NameId(record.name);
        SetPlace(piece, record.link, record.length, SpaceId(record.space));
        const bool bits = IsBitSection(record.link, record.load, record.scale, record.space);
        const std::uint64_t address = bits ? record.link / 8 : record.link;
        NameInfo& info = m_nameInfo[piece.name];
        const MemoryKind held = Classify(true, false, false, address, record.space);
        const MemoryKind free = Classify(false, false, info.otherName, address, record.space);
        piece.kinds = static_cast<std::uint8_t>(static_cast<unsigned>(held) |
                                                static_cast<unsigned>(free) << 2);
        piece.flags |=
            static_cast<std::uint8_t>((bits ? kBits : 0) | (record.common ? kCommon : 0));

        info.hasRecord = true;
        if (info.prefix != kNone) {
            m_nameInfo[info.prefix].startsLongerRecord = true;
        }
        if (object != kNone && record.length != 0) {
            // Overlays need sorting only among the records of a name whose addresses do not
            // rise from record to record in one space.
            const std::uint32_t space = Space(piece);
            if (!info.hasCandidate) {
                info.hasCandidate = true;
                info.candidateSpace = space;
            } else if (info.candidateSpace != space || record.link <= info.lastLink) {
                info.unordered = true;
                m_anyUnordered = true;
            }
            info.lastLink = record.link;
        }
        m_pieces.push_back(piece);
    }

    void AddTotal(const TotalRecord& total) override {
        if (m_classRuns.empty() || total.className != m_lastClassName) {
            m_classRuns.push_back(
                {static_cast<std::uint32_t>(m_totals.size()), NameId(total.className)});
            m_lastClassName = total.className;
            m_lastClassMemory = ClassMemoryOf(total.className);
        }
        const ClassMemory memory = m_lastClassMemory;
        Total entry;
        entry.name = NameId(total.name);
        SetPlace(entry, total.link, total.length, 0);
        // The record's space, or the one its class implies: 0 for program memory, 1 for data.
        // A record without one in a class of unknown memory has no kind; one of class CONFIG,
        // IDLOC or EEDATA is other memory whatever its space.
        const bool dataClass = memory == ClassMemory::kData || memory == ClassMemory::kAbsoluteData;
        const std::int64_t space = total.hasSpace ? total.space : (dataClass ? 1 : 0);
        const bool hasKind = total.hasSpace || memory != ClassMemory::kUnknown;
        const bool hasClass = !total.className.empty();
        const bool otherClass = memory == ClassMemory::kOther;
        const bool otherName = m_nameInfo[entry.name].otherName;
        const MemoryKind plain = Classify(hasClass, otherClass, otherName, total.link, space);
        const MemoryKind bits = Classify(hasClass, otherClass, otherName, total.link / 8, space);
        entry.kinds = static_cast<std::uint8_t>(static_cast<unsigned>(plain) |
                                                static_cast<unsigned>(bits) << 2);
        entry.flags |= static_cast<std::uint8_t>(
            (hasKind ? kHasKind : 0) |
            (IsBitSection(total.link, total.load, 0, space) ? kBitsByAddress : 0) |
            (hasClass ? 0 : kNoClass) | (otherClass ? kOtherClass : 0));
        m_totals.push_back(entry);
    }

    SizeTable Finish(const MapListing& listing) {
        IndexTotals();
        ClassifyPieces();
        FindOverlays();
        CSpecialRows special(m_tally.rows.size());
        std::size_t run = 0;
        for (std::size_t i = 0; i < m_pieces.size(); ++i) {
            while (run + 1 < m_objectRuns.size() && m_objectRuns[run + 1].first <= i) {
                ++run;
            }
            const Piece& piece = m_pieces[i];
            if ((piece.flags & kOverlaid) != 0) {
                continue;
            }
            const std::uint32_t object = m_objectRuns[run].owner;
            if (object == kNone) {
                const std::uint32_t id =
                    special.Row((piece.flags & kCommon) != 0
                                    ? "<COMMON " + std::string(m_names.Name(piece.name)) + ">"
                                    : "<no object>");
                AddPiece(special.Totals(), id, piece.name, ByteAddress(piece), KindOf(piece),
                         BytesOf(piece));
            } else {
                SizeRow& row = m_tally.rows[object];
                MemoryTotals sums{row.rom, row.ram, row.other};
                AddPiece(sums, row.id, piece.name, ByteAddress(piece), KindOf(piece),
                         BytesOf(piece));
                row.rom = sums.rom;
                row.ram = sums.ram;
                row.other = sums.other;
            }
        }
        for (const Overlay& overlay : m_overlays) {
            const Piece& first = m_pieces[overlay.first];
            const std::uint32_t id =
                special.Row("<overlaid " + std::string(m_names.Name(first.name)) + "@" +
                            HexText(Link(first)) + ">");
            AddPiece(special.Totals(), id, first.name, ByteAddress(first), KindOf(first),
                     overlay.largest);
        }
        for (std::size_t i = 0; i < m_totals.size(); ++i) {
            const Total& total = m_totals[i];
            if (!HasTableRecord(total)) {
                const std::string_view className = m_names.Name(ClassOf(i));
                const std::string_view name = m_names.Name(total.name);
                const std::string label = className.empty()
                                              ? std::string(name)
                                              : std::string(className) + " " + std::string(name);
                const MemoryKind kind =
                    (total.flags & kHasKind) != 0 ? TotalKind(total) : MemoryKind::kOther;
                const std::uint32_t id = special.Row("<" + label + ">");
                AddPiece(special.Totals(), id, total.name,
                         TotalBits(total) ? Link(total) / 8 : Link(total), kind, TotalBytes(total));
            }
        }
        special.AddTo(m_tally);
        const MemoryTotals totals = TotalsOf(m_tally);
        DescribeMapDevice(listing, m_tally.facts);
        m_tally.facts.checks.push_back(CheckTotalSection(listing, totals));
        m_tally.facts.checks.push_back(CheckOccupancy(listing, totals));
        if (listing.cutShort) {
            m_tally.facts.checks.push_back(CutShortCheck(listing.lastLine));
        }
        return std::move(m_tally);
    }

private:
    enum Flag : std::uint8_t {
        kWide = 1,  // the link address, the length or the space is too large: kept aside
        // Of a record:
        kBits = 2,      // its length is in bits
        kCommon = 4,    // it is in the COMMON block
        kOverlaid = 8,  // it shares its memory with records of other objects
        // Of a class total:
        kHasKind = 2,        // its memory is known
        kBitsByAddress = 4,  // its addresses say its length is in bits
        kHasBitRecord = 8,   // it holds a bit section of the table
        kNoClass = 16,       // it stands before the first CLASS line
        kOtherClass = 32,    // its class is CONFIG, IDLOC or EEDATA
    };

    // A record of the per-object table or of the TOTAL section. The reader reads addresses and
    // lengths of 32 bits; larger ones (only a listing made elsewhere can hold them), and a
    // record's space when a map has more than 65,535 of them, go to m_wide, which `link`
    // indexes.
    struct Piece {
        std::uint32_t link;
        std::uint32_t length;
        std::uint32_t name;
        std::uint16_t space;  // of a record: its number among the spaces met
        // Of a record, bits 0-1: its memory when a class holds it; bits 2-3 when none does. Once
        // classified, bits 0-1 are its memory. Of a class total, bits 0-1: its memory; bits
        // 2-3: its memory if its length is in bits.
        std::uint8_t kinds;
        std::uint8_t flags;
    };
    using Total = Piece;
    static_assert(sizeof(Piece) == 16, "records are kept in 16 bytes");

    struct WidePlace {
        std::uint64_t link;
        std::uint64_t length;
        std::uint32_t space;
    };

    // The object that owns the records from `first` on (kNone: COMMON, or before any object),
    // or the class of the totals from `first` on.
    struct Run {
        std::uint32_t first;
        std::uint32_t owner;
    };

    void SetPlace(Piece& piece, std::uint64_t link, std::uint64_t length, std::uint32_t space) {
        piece.flags = 0;
        if (link > UINT32_MAX || length > UINT32_MAX || space >= kWideSpace) {
            piece.flags = kWide;
            piece.link = static_cast<std::uint32_t>(m_wide.size());
            piece.length = 0;
            piece.space = 0;
            m_wide.push_back({link, length, space});
            return;
        }
        piece.link = static_cast<std::uint32_t>(link);
        piece.length = static_cast<std::uint32_t>(length);
        piece.space = static_cast<std::uint16_t>(space);
    }

    std::uint64_t Link(const Piece& piece) const {
        return (piece.flags & kWide) != 0 ? m_wide[piece.link].link : piece.link;
    }

    std::uint64_t Length(const Piece& piece) const {
        return (piece.flags & kWide) != 0 ? m_wide[piece.link].length : piece.length;
    }

    std::uint32_t Space(const Piece& piece) const {
        return (piece.flags & kWide) != 0 ? m_wide[piece.link].space : piece.space;
    }

    std::uint32_t ClassOf(std::size_t total) const {
        return std::prev(std::upper_bound(m_classRuns.begin(), m_classRuns.end(), total,
                                          [](std::size_t i, const Run& r) { return i < r.first; }))
            ->owner;
    }

    struct NameInfo {
        std::uint32_t prefix = kNone;  // the name's first 9 characters, when it is longer
        bool otherName = false;        // config..., idloc..., eeprom...
        bool hasRecord = false;
        bool startsLongerRecord = false;  // the first 9 characters of a longer record name
        // The records that can overlay: their space, the last address, and whether the
        // addresses failed to rise in one space.
        bool hasCandidate = false;
        bool unordered = false;
        std::uint32_t candidateSpace = 0;
        std::uint64_t lastLink = 0;
    };

    // The class totals of each name (or of each first 9 characters), in order of address.
    struct TotalIndex {
        std::vector<std::uint32_t, CLargePageAllocator<std::uint32_t>> refs;  // one per total
        std::vector<std::uint32_t> start;   // per name: its first ref; one more at the end
        std::vector<std::uint32_t> cursor;  // per name: where the last search ended
    };

    struct Overlay {
        std::size_t first;
        std::uint64_t largest;
    };

    std::uint32_t NameId(std::string_view name) {
        const std::uint32_t id = m_names.Id(name);
        if (id == m_nameInfo.size()) {
            NameInfo info;
            info.otherName = IsOtherSectionName(name);
            m_nameInfo.push_back(info);
            if (name.size() > kCutLength) {
                const std::uint32_t prefix = NameId(name.substr(0, kCutLength));
                m_nameInfo[id].prefix = prefix;
            }
        }
        return id;
    }

    // Spaces 0 to 15 (those of real maps) from a small table, any other from a hash map.
    std::uint32_t SpaceId(std::int64_t space) {
        if (space >= 0 && space < kSmallSpaces && m_smallSpaces[space] != kNone) {
            return m_smallSpaces[space];
        }
        const auto found = m_spaceIds.emplace(space, static_cast<std::uint32_t>(m_spaceIds.size()));
        if (space >= 0 && space < kSmallSpaces) {
            m_smallSpaces[space] = found.first->second;
        }
        return found.first->second;
    }

    // Groups the class totals by name (and those longer than 9 characters by their first 9),
    // each group in order of address, equal addresses in file order.
    void IndexTotals() {
        const std::size_t names = m_nameInfo.size();
        const auto fill = [&](TotalIndex& index, auto&& key) {
            index.start.assign(names + 1, 0);
            for (const Total& total : m_totals) {
                const std::uint32_t name = key(total);
                if (name != kNone) {
                    ++index.start[name + 1];
                }
            }
            for (std::size_t i = 0; i < names; ++i) {
                index.start[i + 1] += index.start[i];
            }
            index.refs.resize(index.start[names]);
            index.cursor.assign(index.start.begin(), index.start.end() - 1);
            for (std::uint32_t i = 0; i < m_totals.size(); ++i) {
                const std::uint32_t name = key(m_totals[i]);
                if (name != kNone) {
                    index.refs[index.cursor[name]++] = i;
                }
            }
            const auto byAddress = [this](std::uint32_t a, std::uint32_t b) {
                return Link(m_totals[a]) < Link(m_totals[b]);
            };
            for (std::size_t name = 0; name < names; ++name) {
                const auto begin = index.refs.begin() + index.start[name];
                const auto end = index.refs.begin() + index.start[name + 1];
                if (!std::is_sorted(begin, end, byAddress)) {
                    std::stable_sort(begin, end, byAddress);
                }
            }
            index.cursor.assign(index.start.begin(), index.start.end() - 1);
        };
        fill(m_byName, [](const Total& total) { return total.name; });
        fill(m_byCutName, [this](const Total& total) { return m_nameInfo[total.name].prefix; });
    }

    // The total of the group with the highest address at or below `address`, if it holds it;
    // kNone otherwise. The records of a name mostly come in rising order of address, so the
    // search starts where the last one of the group ended.
    std::uint32_t Holder(TotalIndex& index, std::uint32_t name, std::uint64_t address) {
        const std::uint32_t begin = index.start[name];
        const std::uint32_t end = index.start[name + 1];
        if (begin == end) {
            return kNone;
        }
        const auto& refs = index.refs;
        const auto linkAt = [&](std::uint32_t ref) { return Link(m_totals[refs[ref]]); };
        const auto above = [this](std::uint64_t value, std::uint32_t total) {
            return value < Link(m_totals[total]);
        };
        std::uint32_t next = index.cursor[name];  // the first ref above the last address
        if (next > begin && linkAt(next - 1) > address) {
            next = static_cast<std::uint32_t>(
                std::upper_bound(refs.begin() + begin, refs.begin() + next, address, above) -
                refs.begin());
        } else {
            for (int step = 0; next < end && linkAt(next) <= address; ++step, ++next) {
                if (step == 8) {
                    next = static_cast<std::uint32_t>(
                        std::upper_bound(refs.begin() + next, refs.begin() + end, address, above) -
                        refs.begin());
                    break;
                }
            }
        }
        index.cursor[name] = next;
        if (next == begin) {
            return kNone;
        }
        const std::uint32_t found = refs[next - 1];
        const Total& total = m_totals[found];
        const std::uint64_t link = Link(total);
        const bool holds = address == link || (address > link && address - link < Length(total));
        return holds ? found : kNone;
    }

    // The class total of the same name (or of the name cut to 9 characters, or of the whole
    // name when the record's is cut) whose range holds the record's link address.
    std::uint32_t ClassRecordOf(const Piece& piece) {
        const std::uint64_t link = Link(piece);
        std::uint32_t found = Holder(m_byName, piece.name, link);
        const std::size_t length = m_names.Name(piece.name).size();
        if (found == kNone && length == kCutLength) {
            found = Holder(m_byCutName, piece.name, link);
        }
        if (found == kNone && length > kCutLength) {
            found = Holder(m_byName, m_nameInfo[piece.name].prefix, link);
        }
        return found;
    }

    // Gives every record its memory from the class holding it, and marks the class totals that
    // hold a bit section.
    void ClassifyPieces() {
        for (Piece& piece : m_pieces) {
            const std::uint32_t holder = ClassRecordOf(piece);
            unsigned kind = (piece.kinds >> 2) & 3u;
            if (holder != kNone) {
                Total& total = m_totals[holder];
                if ((total.flags & kNoClass) == 0) {
                    kind = (total.flags & kOtherClass) != 0
                               ? static_cast<unsigned>(MemoryKind::kOther)
                               : piece.kinds & 3u;
                }
                if ((piece.flags & kBits) != 0) {
                    total.flags |= kHasBitRecord;
                }
            }
            piece.kinds = static_cast<std::uint8_t>(kind);
        }
    }

    // Records with the same space, name and link address in two or more objects share their
    // memory: the group is counted once. Only the records of names whose addresses do not rise
    // from record to record can share; those are sorted to find the groups.
    void FindOverlays() {
        if (!m_anyUnordered) {
            return;
        }
        struct Candidate {
            std::uint32_t space;
            std::uint32_t name;
            std::uint64_t link;
            std::uint32_t index;
            std::uint32_t object;
            bool operator<(const Candidate& b) const {
                return std::tie(space, name, link, index) <
                       std::tie(b.space, b.name, b.link, b.index);
            }
        };
        std::vector<Candidate> candidates;
        std::size_t run = 0;
        for (std::uint32_t i = 0; i < m_pieces.size(); ++i) {
            while (run + 1 < m_objectRuns.size() && m_objectRuns[run + 1].first <= i) {
                ++run;
            }
            const Piece& piece = m_pieces[i];
            const std::uint32_t object = m_objectRuns[run].owner;
            if (object != kNone && Length(piece) != 0 && m_nameInfo[piece.name].unordered) {
                candidates.push_back({Space(piece), piece.name, Link(piece), i, object});
            }
        }
        std::sort(candidates.begin(), candidates.end());
        for (std::size_t from = 0; from < candidates.size();) {
            const Candidate& first = candidates[from];
            std::size_t to = from + 1;
            bool shared = false;
            for (; to < candidates.size(); ++to) {
                const Candidate& other = candidates[to];
                if (other.space != first.space || other.name != first.name ||
                    other.link != first.link) {
                    break;
                }
                shared = shared || other.object != first.object;
            }
            if (shared) {
                Overlay overlay{first.index, 0};
                for (std::size_t k = from; k < to; ++k) {
                    Piece& member = m_pieces[candidates[k].index];
                    member.flags |= kOverlaid;
                    overlay.largest = std::max(overlay.largest, BytesOf(member));
                }
                m_overlays.push_back(overlay);
            }
            from = to;
        }
        std::sort(m_overlays.begin(), m_overlays.end(),
                  [](const Overlay& a, const Overlay& b) { return a.first < b.first; });
    }

    static MemoryKind KindOf(const Piece& piece) {
        return static_cast<MemoryKind>(piece.kinds & 3u);
    }

    std::uint64_t ByteAddress(const Piece& piece) const {
        return (piece.flags & kBits) != 0 ? Link(piece) / 8 : Link(piece);
    }

    std::uint64_t BytesOf(const Piece& piece) const {
        return SectionBytes(Length(piece), (piece.flags & kBits) != 0);
    }

    // The class totals list a bit section with the addresses and length in bits; a Scale, which
    // they lack, is taken from the section's records in the table.
    static bool TotalBits(const Total& total) {
        return (total.flags & (kBitsByAddress | kHasBitRecord)) != 0;
    }

    std::uint64_t TotalBytes(const Total& total) const {
        return SectionBytes(Length(total), TotalBits(total));
    }

    static MemoryKind TotalKind(const Total& total) {
        return static_cast<MemoryKind>(TotalBits(total) ? (total.kinds >> 2) & 3u
                                                        : total.kinds & 3u);
    }

    bool HasTableRecord(const Total& total) const {
        const NameInfo& info = m_nameInfo[total.name];
        const std::size_t length = m_names.Name(total.name).size();
        return info.hasRecord || (length == kCutLength && info.startsLongerRecord) ||
               (length > kCutLength && m_nameInfo[info.prefix].hasRecord);
    }

    MapCheck CheckTotalSection(const MapListing& listing, const MemoryTotals& report) const {
        MapCheck check;
        check.label = "TOTAL section";
        check.field = "total_section";
        check.source = "the map's TOTAL section";
        check.report = report;
        if (!listing.hasTotalSection) {
            check.reason = "the map has no TOTAL section";
            return check;
        }
        for (std::size_t i = 0; i < m_totals.size(); ++i) {
            const Total& total = m_totals[i];
            if ((total.flags & kHasKind) == 0) {
                check.reason = "the TOTAL section gives no memory space for " +
                               std::string(m_names.Name(total.name)) + " (class " +
                               std::string(m_names.Name(ClassOf(i))) + ")";
                return check;
            }
            AddBytes(check.map, TotalKind(total), static_cast<std::int64_t>(TotalBytes(total)));
        }
        check.possible = true;
        check.agrees = check.map == report;
        return check;
    }

    static MapCheck CheckOccupancy(const MapListing& listing, const MemoryTotals& report) {
        MapCheck check;
        check.label = "Occupancy";
        check.field = "occupancy";
        check.source = "the map's used address ranges";
        check.withOther = false;
        check.report = report;
        const MemorySets ranges = SetsOfClasses(listing.classRanges);
        if (ranges.program.Empty() && ranges.data.Empty()) {
            check.reason = "the map has no -A class ranges for program or data memory";
            return check;
        }
        if (!listing.hasUnusedSection) {
            check.reason = "the map has no UNUSED ADDRESS RANGES";
            return check;
        }
        const MemorySets unused = SetsOfClasses(listing.unusedRanges);
        check.possible = true;
        check.map.rom = static_cast<std::int64_t>(ranges.program.Minus(unused.program).Size());
        check.map.ram = static_cast<std::int64_t>(ranges.data.Minus(unused.data).Size());
        check.agrees = check.map.rom == report.rom && check.map.ram == report.ram;
        return check;
    }

    // Adds a counted piece to its row's sums and, when parts are kept, to the table's parts.
    void AddPiece(MemoryTotals& sums, std::uint32_t rowId, std::uint32_t name,
                  std::uint64_t address, MemoryKind kind, std::uint64_t bytes) {
        const auto amount = static_cast<std::int64_t>(bytes);
        AddBytes(sums, kind, amount);
        if (amount != 0 && m_detail == TallyDetail::kRowsAndParts) {
            m_tally.parts.push_back({rowId, m_names.Name(name), kind, address, amount});
        }
    }

    static constexpr std::uint32_t kWideSpace = UINT16_MAX;
    static constexpr std::int64_t kSmallSpaces = 16;

    TallyDetail m_detail;
    SizeTable m_tally;
    CNameIndex m_names;
    std::vector<NameInfo> m_nameInfo;
    std::uint32_t m_smallSpaces[kSmallSpaces] = {kNone, kNone, kNone, kNone, kNone, kNone,
                                                 kNone, kNone, kNone, kNone, kNone, kNone,
                                                 kNone, kNone, kNone, kNone};
    std::unordered_map<std::int64_t, std::uint32_t> m_spaceIds;
    CBlockList<Piece> m_pieces;
    CBlockList<Run> m_objectRuns;
    CBlockList<Total> m_totals;
    std::vector<Run> m_classRuns;
    std::string m_lastClassName;
    ClassMemory m_lastClassMemory = ClassMemory::kUnknown;  // of m_lastClassName
    std::vector<WidePlace> m_wide;
    TotalIndex m_byName;
    TotalIndex m_byCutName;           // the totals longer than 9 characters, by their first 9
    std::vector<Overlay> m_overlays;  // in file order of their first record
    bool m_anyUnordered = false;      // whether any name's records can overlay
};

}  // namespace

ClassMemory ClassMemoryOf(std::string_view name) {
    if (name == "CONFIG" || name == "IDLOC" || name == "EEDATA") {
        return ClassMemory::kOther;
    }
    if (StartsWith(name, "ABS") || EndsWith(name, "SFR")) {
        return ClassMemory::kAbsoluteData;
    }
    // COMMON: the RAM that mid-range parts map into every bank.
    if (IsBankClass(name) || EndsWith(name, "RAM") || name == "COMMON") {
        return ClassMemory::kData;
    }
    if (name == "STRING" || name == "ENTRY" || EndsWith(name, "CODE") || EndsWith(name, "CONST")) {
        return ClassMemory::kProgram;
    }
    return ClassMemory::kUnknown;
}

bool SameSectionName(std::string_view a, std::string_view b) {
    if (a.size() > b.size()) {
        std::swap(a, b);
    }
    return a == b || (a.size() == kCutLength && StartsWith(b, a));
}

MemoryKind ClassifySection(std::string_view className, std::string_view name,
                           std::uint64_t byteAddress, std::int64_t space) {
    return Classify(!className.empty(), ClassMemoryOf(className) == ClassMemory::kOther,
                    IsOtherSectionName(name), byteAddress, space);
}

bool IsBitSection(std::uint64_t link, std::uint64_t load, std::int64_t scale, std::int64_t space) {
    return scale == 8 || (space != 0 && load != 0 && load <= (UINT64_MAX / 8) && link == load * 8);
}

std::uint64_t SectionBytes(std::uint64_t length, bool bits) {
    return bits ? length / 8 + (length % 8 != 0 ? 1 : 0) : length;
}

SizeTable TallySections(const MapListing& listing) {
    CSectionTally tally(TallyDetail::kRowsAndParts);
    for (const std::string& object : listing.objects) {
        tally.AddObject(object);
    }
    for (const SectionRecord& record : listing.records) {
        tally.AddRecord(record);
    }
    for (const TotalRecord& total : listing.totals) {
        tally.AddTotal(total);
    }
    return tally.Finish(listing);
}

SizeTable TallySections(std::string_view bytes, const std::string& fileName, TallyDetail detail) {
    CSectionTally tally(detail);
    MapListing listing;
    ReadMapListing(bytes, fileName, listing, tally);
    return tally.Finish(listing);
}

SizeTable TallySections(CMapFile& file, TallyDetail detail) {
    CSectionTally tally(detail, file.SizeLeft());
    MapListing listing;
    ReadMapListing(file, listing, tally);
    return tally.Finish(listing);
}

void DescribeMapDevice(const MapListing& listing, MapFacts& facts) {
    facts.device = listing.machineType;
    const MemorySets sets = SetsOfClasses(listing.classRanges);
    facts.hasCapacity = !sets.program.Empty() || !sets.data.Empty();
    facts.romCapacity = static_cast<std::int64_t>(sets.program.Size());
    facts.ramCapacity = static_cast<std::int64_t>(sets.data.Size());
}

MapCheck CutShortCheck(long lastLine) {
    MapCheck check;
    check.label = "Complete map";
    check.field = "complete_map";
    check.possible = true;
    check.agrees = false;
    check.hasFigures = false;
    check.detail = "the section table runs to the end of the file (line " +
                   std::to_string(lastLine) +
                   ") without COMMON or TOTAL: the map was cut short and the report may be "
                   "incomplete";
    return check;
}
