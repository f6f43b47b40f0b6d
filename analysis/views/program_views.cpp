#include "views/program_views.h"

#include <algorithm>
#include <array>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/map_error.h"
#include "core/labelled_rows.h"
#include "readers/hlink/section_classes.h"
#include "readers/hlink/section_tally.h"
#include "readers/hlink/tally_checks.h"
#include "text/names.h"
#include "text/numbers.h"

namespace {

// A piece of the map as the complete tally counted it: a section record, an overlay group or a
// class total.
struct CountedPiece {
    std::string_view name;  // held by the tally's name store
    MemoryKind memory = MemoryKind::kRom;
    std::uint64_t address = 0;  // of its first byte
    std::int64_t bytes = 0;
    bool bits = false;  // its symbols stand at bit addresses
};

struct CountedMap {
    SizeTable tally;  // keeps the names of the pieces
    std::vector<CountedPiece> pieces;
};

// The space of a class total: its own, or the one its class implies.
std::int64_t SpaceOf(const TotalRecord& total) {
    if (total.hasSpace) {
        return total.space;
    }
    const ClassMemory memory = ClassMemoryOf(total.className);
    return memory == ClassMemory::kData || memory == ClassMemory::kAbsoluteData ? 1 : 0;
}

// The complete tally of the map, as the views start from it: its facts and its counted pieces.
// The one place the views use the tally.
CountedMap TallyOf(const MapListing& map) {
    CountedMap counted;
    counted.tally = TallySections(map);
    std::set<std::string_view> bitSections;
    for (const SectionRecord& record : map.records) {
        if (IsBitSection(record.link, record.load, record.scale, record.space)) {
            bitSections.insert(record.name);
        }
    }
    for (const TotalRecord& total : map.totals) {
        if (IsBitSection(total.link, total.load, 0, SpaceOf(total))) {
            bitSections.insert(total.name);
        }
    }
    for (const SizePart& part : counted.tally.parts) {
        counted.pieces.push_back(CountedPiece{part.name, part.memory, part.address, part.bytes,
                                              bitSections.count(part.name) != 0});
    }
    return counted;
}

SizeTable StartView(const CountedMap& counted, MapView kind) {
    SizeTable view;
    view.rule = SectionRule::kAll;
    view.view = kind;
    view.facts = counted.tally.facts;
    view.regions = counted.tally.regions;
    return view;
}

// Adds bytes to the "<psect NAME>" row of the psect: one per name, in the order first met, after
// the view's other rows.
void AddToPsect(CLabelledRows& rows, std::string_view psect, MemoryKind memory, std::int64_t bytes) {
    if (bytes != 0) {
        AddBytes(rows.Sums(rows.Row("<psect " + std::string(psect) + ">")), memory, bytes);
    }
}

// An address range that a module item or a symbol lays claim to.
struct Claim {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
    std::size_t owner = 0;
};

// Hands the bytes of the piece [begin, end) that claims[from...] cover to those claims, each
// byte to the first claim that covers it; the claims are sorted by their start and none before
// `from` reaches past `begin`. Returns the bytes handed out.
template <typename Give>
std::int64_t ShareOut(const std::vector<Claim>& claims, std::size_t from, std::uint64_t begin,
                      std::uint64_t end, Give give) {
    std::uint64_t covered = begin;
    std::int64_t shared = 0;
    for (std::size_t i = from; i < claims.size() && claims[i].begin < end; ++i) {
        const std::uint64_t start = std::max(claims[i].begin, covered);
        const std::uint64_t stop = std::min(claims[i].end, end);
        if (stop > start) {
            const auto bytes = static_cast<std::int64_t>(stop - start);
            give(claims[i].owner, bytes);
            shared += bytes;
            covered = stop;
        }
    }
    return shared;
}

std::size_t MemoryIndex(MemoryKind memory) {
    return static_cast<std::size_t>(memory);
}

// MODULE INFORMATION lists code and constants: an item of a class whose memory is not known is
// taken to be in program memory.
MemoryKind MemoryOfClass(std::string_view className) {
    switch (ClassMemoryOf(className)) {
        case ClassMemory::kData:
        case ClassMemory::kAbsoluteData:
            return MemoryKind::kRam;
        case ClassMemory::kOther:
            return MemoryKind::kOther;
        case ClassMemory::kProgram:
        case ClassMemory::kUnknown:
            break;
    }
    return MemoryKind::kRom;
}

// Each source file's items against its "estimated size", as a check; none when no module has
// one. A module block without it ends the map early: a check that the map was cut short.
void CheckEstimatedSizes(const ProgramListing& program, MapFacts& facts) {
    std::size_t modules = 0;
    std::int64_t total = 0;
    std::string disagreements;
    const SourceModule* open = nullptr;
    for (const SourceModule& module : program.modules) {
        if (!module.hasEstimate) {
            open = open != nullptr ? open : &module;
            continue;
        }
        std::int64_t sum = 0;
        for (const ModuleItem& item : module.items) {
            sum += item.size;
        }
        ++modules;
        total += sum;
        if (sum != module.estimatedSize) {
            disagreements += std::string(disagreements.empty() ? "" : "; ") + "the items of " +
                             module.name + " take " + std::to_string(sum) +
                             " bytes, its estimated size is " +
                             std::to_string(module.estimatedSize);
        }
    }
    if (modules != 0) {
        MapCheck check =
            NewCheck("Estimated sizes", "estimated_sizes", "the map's estimated sizes");
        check.possible = true;
        check.hasFigures = false;
        check.agrees = disagreements.empty();
        check.detail = check.agrees ? std::to_string(modules) +
                                          (modules == 1 ? " source file, " : " source files, ") +
                                          std::to_string(total) + " bytes"
                                    : disagreements;
        facts.checks.push_back(std::move(check));
    }
    if (open != nullptr) {
        facts.checks.push_back(CutShortCheck(
            "the block of " + open->name + " in MODULE INFORMATION (line " +
            std::to_string(open->line) +
            ") ends without its estimated size: the map was cut short and the report may be "
            "incomplete"));
    }
}

// A compiled stack: the locals of functions that never run at the same time share its bytes.
bool IsCompiledStack(std::string_view psect) {
    return StartsWith(psect, "cstack");
}

// A C function, constant or variable gets a row: "_name" (C names gain an underscore), and
// "function@name" for a static local. "__name" is the toolchain's own (__pNAME, __LNAME,
// __size_of_f...), while "___name" is a C name beginning with two underscores; names without a
// leading underscore are assembler labels; "?_f" and "??_f" are compiled-stack blocks.
bool IsVariableName(std::string_view name) {
    if (name.empty() || name[0] == '?') {
        return false;
    }
    if (name.find('@') != std::string_view::npos) {
        return true;
    }
    if (name[0] != '_') {
        return false;
    }
    return !(name.size() >= 2 && name[1] == '_' && (name.size() == 2 || name[2] != '_'));
}

// The symbols of each psect, ordered by address: by the psect's name, and for names longer than
// the 9 characters some maps cut section names to, also by the first 9.
class CSymbolIndex {
public:
    explicit CSymbolIndex(const std::vector<MapSymbol>& symbols) : m_symbols(symbols) {
        for (std::size_t i = 0; i < symbols.size(); ++i) {
            const std::string_view psect = symbols[i].psect;
            m_byPsect[psect].push_back(i);
            if (psect.size() > kCutNameLength) {
                m_byCutPsect[psect.substr(0, kCutNameLength)].push_back(i);
            }
        }
        for (auto* index : {&m_byPsect, &m_byCutPsect}) {
            for (auto& entry : *index) {
                std::stable_sort(entry.second.begin(), entry.second.end(),
                                 [&](std::size_t a, std::size_t b) {
                                     return symbols[a].address < symbols[b].address;
                                 });
            }
        }
    }

    // The symbols of the psect whose addresses lie in [begin, end), ordered by address.
    std::vector<std::size_t> Inside(std::string_view psect, std::uint64_t begin,
                                    std::uint64_t end) const {
        std::vector<std::size_t> inside;
        Collect(m_byPsect, psect, begin, end, inside);
        if (psect.size() == kCutNameLength) {
            Collect(m_byCutPsect, psect, begin, end, inside);
            std::stable_sort(inside.begin(), inside.end(), [&](std::size_t a, std::size_t b) {
                return m_symbols[a].address < m_symbols[b].address;
            });
        }
        return inside;
    }

private:
    using Index = std::unordered_map<std::string_view, std::vector<std::size_t>>;

    void Collect(const Index& index, std::string_view psect, std::uint64_t begin, std::uint64_t end,
                 std::vector<std::size_t>& inside) const {
        const auto found = index.find(psect);
        if (found == index.end()) {
            return;
        }
        const std::vector<std::size_t>& list = found->second;
        auto at = std::lower_bound(
            list.begin(), list.end(), begin,
            [&](std::size_t i, std::uint64_t address) { return m_symbols[i].address < address; });
        for (; at != list.end() && m_symbols[*at].address < end; ++at) {
            inside.push_back(*at);
        }
    }

    const std::vector<MapSymbol>& m_symbols;
    Index m_byPsect;
    Index m_byCutPsect;
};

constexpr std::uint64_t kNoFunction = UINT64_MAX;

// Whether a counted piece is of the psect a symbol names: the same name, or the name cut to the
// 9 characters some maps cut section names to.
bool IsPsectOf(std::string_view piece, std::string_view psect) {
    return piece == psect || (piece.size() == kCutNameLength && StartsWith(psect, piece));
}

// The counted piece of the psect that holds the byte at `address`, or counted.size() if none.
std::size_t PieceHolding(const std::vector<CountedPiece>& pieces, std::string_view psect,
                         std::uint64_t address) {
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const CountedPiece& piece = pieces[i];
        if (!piece.bits && IsPsectOf(piece.name, psect) && address >= piece.address &&
            address - piece.address < static_cast<std::uint64_t>(piece.bytes)) {
            return i;
        }
    }
    return pieces.size();
}

// A function whose entry and end lie in different psects: an interrupt function of XC8, whose
// entry (`_isr` in intcode or intcodelo, the code at the vector) goes on in a psect of its own
// (intcode_body, from int_func up to __end_of_isr). Its ranges are those of two counted pieces.
struct SplitFunction {
    std::size_t symbol = 0;  // the entry's
    std::size_t entryPiece = 0;
    std::uint64_t entryEnd = 0;  // the next symbol in the entry's psect, or the piece's end
    std::size_t bodyPiece = 0;
    std::uint64_t bodyEnd = 0;  // the __end_of_ bound; the body starts with its piece
};

// The functions of the Symbol Table: for each symbol the address of its __end_of_ bound when it
// starts a function ("_f" and "__end_of_f" in the same psect), else kNoFunction; and the
// functions whose end lies in another psect than their entry, where the counted pieces hold
// both.
struct Functions {
    std::vector<std::uint64_t> ends;
    std::vector<SplitFunction> split;
};

Functions FindFunctions(const std::vector<MapSymbol>& symbols, const CSymbolIndex& index,
                        const std::vector<CountedPiece>& pieces, const std::string& fileName) {
    constexpr std::string_view kEndPrefix = "__end_of_";
    std::unordered_map<std::string_view, std::size_t> byName;
    for (std::size_t i = 0; i < symbols.size(); ++i) {
        byName.try_emplace(symbols[i].name, i);
    }
    Functions functions;
    functions.ends.assign(symbols.size(), kNoFunction);
    for (const MapSymbol& bound : symbols) {
        if (!StartsWith(bound.name, kEndPrefix)) {
            continue;
        }
        const auto found = byName.find("_" + bound.name.substr(kEndPrefix.size()));
        if (found == byName.end()) {
            continue;
        }
        const MapSymbol& start = symbols[found->second];
        if (start.psect != bound.psect) {
            SplitFunction split;
            split.symbol = found->second;
            split.entryPiece = PieceHolding(pieces, start.psect, start.address);
            split.bodyPiece = PieceHolding(pieces, bound.psect, bound.address - 1);
            if (bound.address != 0 && split.entryPiece < pieces.size() &&
                split.bodyPiece < pieces.size() &&
                pieces[split.entryPiece].memory == pieces[split.bodyPiece].memory) {
                const CountedPiece& entry = pieces[split.entryPiece];
                split.entryEnd = entry.address + static_cast<std::uint64_t>(entry.bytes);
                const std::vector<std::size_t> after =
                    index.Inside(start.psect, start.address + 1, split.entryEnd);
                if (!after.empty()) {
                    split.entryEnd = symbols[after.front()].address;
                }
                split.bodyEnd = bound.address;
                functions.split.push_back(split);
            }
            continue;
        }
        if (bound.address < start.address) {
            throw MapError(fileName, bound.line,
                           bound.name + " at " + HexText(bound.address) + " lies before " +
                               start.name + " at " + HexText(start.address));
        }
        functions.ends[found->second] = bound.address;
    }
    return functions;
}

}  // namespace

SizeTable ModuleView(const MapListing& map, const ProgramListing& program,
                     const std::string& fileName) {
    if (!program.hasModuleInformation) {
        throw MapError(fileName, 0,
                       "no MODULE INFORMATION, which says which source file holds which function");
    }
    if (program.modules.empty()) {
        throw MapError(fileName, 0, "the MODULE INFORMATION lists no source file");
    }
    const CountedMap counted = TallyOf(map);
    SizeTable view = StartView(counted, MapView::kModules);
    const CSymbolIndex index(program.symbols);
    const Functions functions = FindFunctions(program.symbols, index, counted.pieces, fileName);
    const std::vector<SplitFunction>& split = functions.split;
    std::unordered_multimap<std::uint64_t, std::size_t> functionAt;  // bounded, by address
    for (std::size_t i = 0; i < functions.ends.size(); ++i) {
        if (functions.ends[i] != kNoFunction) {
            functionAt.emplace(program.symbols[i].address, i);
        }
    }
    std::unordered_map<std::string_view, std::uint32_t> rowOf;
    std::array<std::vector<Claim>, 3> claims;  // by memory; owners are indexes into view.parts
    std::int64_t itemBytes = 0;
    for (const SourceModule& module : program.modules) {
        const auto found =
            rowOf.try_emplace(module.name, static_cast<std::uint32_t>(view.rows.size()));
        if (found.second) {
            view.AddRow(module.name, RowKind::kObject);
        }
        for (const ModuleItem& item : module.items) {
            const MemoryKind memory = MemoryOfClass(item.className);
            // A function the Symbol Table bounds takes its bounds (the sizes some compilers give
            // reach a byte into the next function), an interrupt function its entry and its
            // body, wherever that lies; any other item its address range. Names may be cut in
            // MODULE INFORMATION.
            std::uint64_t end = item.link + static_cast<std::uint64_t>(item.size);
            const auto bounded = functionAt.equal_range(item.link);
            for (auto at = bounded.first; at != bounded.second && memory == MemoryKind::kRom;
                 ++at) {
                if (StartsWith(program.symbols[at->second].name, item.name)) {
                    end = functions.ends[at->second];
                }
            }
            const auto function =
                std::find_if(split.begin(), split.end(), [&](const SplitFunction& f) {
                    const MapSymbol& entry = program.symbols[f.symbol];
                    return entry.address == item.link && StartsWith(entry.name, item.name) &&
                           counted.pieces[f.entryPiece].memory == memory;
                });
            if (function != split.end()) {
                const CountedPiece& body = counted.pieces[function->bodyPiece];
                claims[MemoryIndex(memory)].push_back(
                    {item.link, function->entryEnd, view.parts.size()});
                claims[MemoryIndex(body.memory)].push_back(
                    {body.address, function->bodyEnd, view.parts.size()});
            } else {
                claims[MemoryIndex(memory)].push_back({item.link, end, view.parts.size()});
            }
            view.parts.push_back(
                SizePart{found.first->second, view.names.Add(item.name), memory, item.link, 0});
            itemBytes += item.size;
        }
    }
    // Each list by start, with the largest end up to each claim, so that the claims a piece
    // meets are found by a binary search.
    std::array<std::vector<std::uint64_t>, 3> reach;
    for (std::size_t m = 0; m < claims.size(); ++m) {
        std::stable_sort(claims[m].begin(), claims[m].end(),
                         [](const Claim& a, const Claim& b) { return a.begin < b.begin; });
        std::uint64_t largest = 0;
        for (const Claim& claim : claims[m]) {
            largest = std::max(largest, claim.end);
            reach[m].push_back(largest);
        }
    }
    CLabelledRows psects;
    std::int64_t countedBytes = 0;
    for (const CountedPiece& piece : counted.pieces) {
        const std::size_t m = MemoryIndex(piece.memory);
        const std::uint64_t begin = piece.address;
        const std::uint64_t end = begin + static_cast<std::uint64_t>(piece.bytes);
        const auto from = static_cast<std::size_t>(
            std::upper_bound(reach[m].begin(), reach[m].end(), begin) - reach[m].begin());
        const std::int64_t shared =
            ShareOut(claims[m], from, begin, end, [&](std::size_t part, std::int64_t bytes) {
                view.parts[part].bytes += bytes;
                AddBytes(view.rows[view.parts[part].rowId], piece.memory, bytes);
            });
        countedBytes += shared;
        AddToPsect(psects, piece.name, piece.memory, piece.bytes - shared);
    }
    psects.AddTo(view);
    CheckEstimatedSizes(program, view.facts);
    if (countedBytes < itemBytes) {
        view.facts.notes.push_back(
            "Source files: " + std::to_string(itemBytes - countedBytes) +
            " bytes of their items lie outside the counted sections or under another item");
    }
    return view;
}

SizeTable SymbolView(const MapListing& map, const ProgramListing& program,
                     const std::string& fileName) {
    if (!program.hasSymbolTable) {
        throw MapError(fileName, 0,
                       "no Symbol Table, which says where each function and variable lies");
    }
    const std::vector<MapSymbol>& symbols = program.symbols;
    const CSymbolIndex index(symbols);
    const CountedMap counted = TallyOf(map);
    const Functions functions = FindFunctions(symbols, index, counted.pieces, fileName);
    const std::vector<std::uint64_t>& functionEnd = functions.ends;
    if (std::find_if(functionEnd.begin(), functionEnd.end(),
                     [](std::uint64_t end) { return end != kNoFunction; }) == functionEnd.end() &&
        functions.split.empty()) {
        throw MapError(fileName, 0,
                       "the Symbol Table bounds no function (no __end_of_ symbol), so the sizes "
                       "of its symbols are unknown");
    }
    SizeTable view = StartView(counted, MapView::kSymbols);
    std::unordered_map<std::string_view, std::uint32_t> rowOf;
    CLabelledRows psects;
    std::size_t cutFunctions = 0;
    std::string firstCut;
    std::vector<Claim> claims;
    std::vector<std::uint64_t> next;
    for (std::size_t p = 0; p < counted.pieces.size(); ++p) {
        const CountedPiece& piece = counted.pieces[p];
        const std::uint64_t begin = piece.address;
        const std::uint64_t end = begin + static_cast<std::uint64_t>(piece.bytes);
        if (piece.bits || IsCompiledStack(piece.name)) {
            AddToPsect(psects, piece.name, piece.memory, piece.bytes);
            continue;
        }
        const std::vector<std::size_t> inside = index.Inside(piece.name, begin, end);
        claims.clear();
        // The body of an interrupt function, first among the claims that start with the piece.
        for (const SplitFunction& function : functions.split) {
            if (function.bodyPiece == p) {
                claims.push_back({begin, function.bodyEnd, function.symbol});
            }
        }
        // Every symbol bounds the one before it: the next greater address, found from the end.
        next.assign(inside.size(), end);
        for (std::size_t k = inside.size(); k-- > 1;) {
            const std::uint64_t address = symbols[inside[k]].address;
            next[k - 1] = address > symbols[inside[k - 1]].address ? address : next[k];
        }
        for (std::size_t k = 0; k < inside.size(); ++k) {
            const MapSymbol& symbol = symbols[inside[k]];
            const std::uint64_t bound = functionEnd[inside[k]];
            if (bound != kNoFunction) {
                claims.push_back({symbol.address, std::min(bound, end), inside[k]});
                if (bound > end && cutFunctions++ == 0) {
                    firstCut = symbol.name;
                }
            } else if (IsVariableName(symbol.name)) {
                claims.push_back({symbol.address, next[k], inside[k]});
            }
        }
        // By start; at the same address a function before a name that merely aliases it.
        std::stable_sort(claims.begin(), claims.end(), [&](const Claim& a, const Claim& b) {
            if (a.begin != b.begin) {
                return a.begin < b.begin;
            }
            return functionEnd[a.owner] != kNoFunction && functionEnd[b.owner] == kNoFunction;
        });
        const std::int64_t shared =
            ShareOut(claims, 0, begin, end, [&](std::size_t symbol, std::int64_t bytes) {
                const std::string_view name = symbols[symbol].name;
                const auto found =
                    rowOf.try_emplace(name, static_cast<std::uint32_t>(view.rows.size()));
                if (found.second) {
                    view.AddRow(name, RowKind::kObject);
                }
                AddBytes(view.rows[found.first->second], piece.memory, bytes);
            });
        AddToPsect(psects, piece.name, piece.memory, piece.bytes - shared);
    }
    psects.AddTo(view);
    if (cutFunctions != 0) {
        view.facts.notes.push_back("Symbol bounds: " + std::to_string(cutFunctions) +
                                   (cutFunctions == 1 ? " function ends" : " functions end") +
                                   " past its psect (such as " + firstCut +
                                   "); their rows hold only the psect's bytes");
    }
    return view;
}
