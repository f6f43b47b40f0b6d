#include "readers/mplink/section_owners.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "text/names.h"

namespace {

// The file name without its last extension.
std::string_view Stem(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos || dot == 0 ? name : name.substr(0, dot);
}

bool HasExtension(std::string_view name, std::string_view extension) {
    return name.size() > extension.size() &&
           EqualsIgnoringAsciiCase(name.substr(name.size() - extension.size()), extension);
}

// Header and include files count as a section's owner only where no other file has symbols
// there: their symbols sit among the code of the file that includes them.
bool IsIncludeFile(std::string_view file) {
    return HasExtension(file, ".inc") || HasExtension(file, ".h");
}

// The device a processor-definition file stands for: "p18f8520.asm" gives "18F8520",
// "p18lf45k22.asm" gives "18LF45K22"; empty for any other file.
std::string DeviceOfFile(std::string_view file) {
    const std::string name = AsciiLower(BaseName(file));
    if (name.size() < 9 || !StartsWith(name, "p18") || !EndsWith(name, ".asm")) {
        return {};
    }
    const std::string part = name.substr(1, name.size() - 5);  // "18f8520"
    std::size_t i = 2;
    while (i < part.size() && std::isalpha(static_cast<unsigned char>(part[i]))) {
        ++i;
    }
    const std::size_t letters = i - 2;
    if (letters < 1 || letters > 2 || i == part.size() ||
        !std::isdigit(static_cast<unsigned char>(part[i])) ||
        !std::all_of(part.begin(), part.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)); })) {
        return {};
    }
    return AsciiUpper(part);
}

// The object a default section name is made of: ".code_main.o", ".romdata_main.o",
// ".udata_main.o", ".idata_main.o" and its image ".idata_main.o_i", ".config_300001_MAIN.O".
// Assemblers upper-case the object's name or cut it short, and may put its path in front.
std::optional<std::string_view> ObjectOfDefaultName(std::string_view name, bool program) {
    constexpr std::string_view kConfig = ".config_";
    if (StartsWith(name, kConfig)) {
        const std::string_view rest = name.substr(kConfig.size());
        const std::size_t underscore = rest.find('_');
        if (underscore == 0 || underscore == std::string_view::npos ||
            underscore + 1 == rest.size() ||
            !std::all_of(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(underscore),
                         [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); })) {
            return std::nullopt;
        }
        return BaseName(rest.substr(underscore + 1));
    }
    // Longest first: ".udata_acs_main.o" belongs to main.o, not to "acs_main.o".
    for (const std::string_view prefix :
         {".udata_acs_", ".idata_acs_", ".romdata_", ".udata_", ".idata_", ".code_"}) {
        if (name.size() <= prefix.size() || !StartsWith(name, prefix)) {
            continue;
        }
        std::string_view object = name.substr(prefix.size());
        const bool image = program && StartsWith(prefix, ".idata");
        if (image) {
            if (object.size() < 3 || !EndsWith(object, "_i")) {
                return std::nullopt;
            }
            object.remove_suffix(2);
        }
        return BaseName(object);
    }
    return std::nullopt;
}

// The module of SDCC's section names: "S_main__delay" (a function) and "ustat_main_00" (its
// static data).
std::optional<std::string_view> ModuleOfSdccName(std::string_view name) {
    constexpr std::string_view kCode = "S_";
    constexpr std::string_view kStatic = "ustat_";
    if (StartsWith(name, kCode)) {
        const std::size_t split = name.find("__", kCode.size());
        if (split == std::string_view::npos || split == kCode.size() || split + 2 == name.size()) {
            return std::nullopt;
        }
        return name.substr(kCode.size(), split - kCode.size());
    }
    if (StartsWith(name, kStatic)) {
        const std::size_t split = name.rfind('_');
        if (split <= kStatic.size() || split + 1 == name.size() ||
            !std::all_of(name.begin() + static_cast<std::ptrdiff_t>(split + 1), name.end(),
                         [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
            return std::nullopt;
        }
        return name.substr(kStatic.size(), split - kStatic.size());
    }
    return std::nullopt;
}

// Finds the owner of every counted section, and the registers left out.
class COwnerFinder {
public:
    COwnerFinder(const MplinkListing& listing, const CSymbolsByAddress& symbols)
        : m_listing(listing), m_symbols(symbols) {
        m_fromProcessorFile.reserve(listing.symbols.size());
        for (const MplinkSymbol& symbol : listing.symbols) {
            const std::string device = DeviceOfFile(symbol.file);
            m_fromProcessorFile.push_back(!device.empty());
            if (m_owners.device.empty()) {
                m_owners.device = device;
            }
        }
    }

    SectionOwners Find() {
        FindLeftOut();
        AssignOwners();
        return std::move(m_owners);
    }

private:
    bool FromProcessorFile(const MplinkSymbol& symbol) const {
        return m_fromProcessorFile[static_cast<std::size_t>(&symbol - m_listing.symbols.data())];
    }

    // The special function registers are data memory the device has, not memory the program
    // takes: sections named SFR_..., or whose every symbol comes from a processor-definition
    // file.
    void FindLeftOut() {
        m_owners.leftOut.assign(m_listing.sections.size(), false);
        for (std::size_t i = 0; i < m_listing.sections.size(); ++i) {
            const MplinkSection& section = m_listing.sections[i];
            if (section.program || section.size == 0) {
                continue;
            }
            const auto [first, last] = m_symbols.In(section);
            const bool sfr = StartsWith(section.name, "SFR_") ||
                             (first != last && std::all_of(first, last, [&](const MplinkSymbol* s) {
                                  return FromProcessorFile(*s);
                              }));
            if (sfr) {
                m_owners.leftOut[i] = true;
                m_owners.leftOutBytes += static_cast<std::int64_t>(section.size);
            }
        }
    }

    void AssignOwners() {
        std::map<std::string_view, std::size_t> dataSections;  // counted, by name
        for (std::size_t i = 0; i < m_listing.sections.size(); ++i) {
            const MplinkSection& section = m_listing.sections[i];
            if (!section.program && IsCounted(section, m_owners.leftOut[i])) {
                dataSections.emplace(section.name, i);
            }
        }
        m_owners.pieces.resize(m_listing.sections.size());
        std::vector<std::pair<std::size_t, std::size_t>> images;  // (image, its data section)
        for (std::size_t i = 0; i < m_listing.sections.size(); ++i) {
            const MplinkSection& section = m_listing.sections[i];
            if (!IsCounted(section, m_owners.leftOut[i])) {
                continue;
            }
            if (const auto object = ObjectOfDefaultName(section.name, section.program)) {
                m_objectSections[std::string(*object)].push_back(i);
                Whole(i, {OwnerKind::kObject, std::string(*object)});
                continue;
            }
            if (section.program && section.name.size() > 2 && EndsWith(section.name, "_i")) {
                const auto data =
                    dataSections.find(section.name.substr(0, section.name.size() - 2));
                if (data != dataSections.end()) {
                    images.emplace_back(i, data->second);
                    continue;
                }
            }
            if (SplitBySymbols(i)) {
                continue;
            }
            if (const auto module = ModuleOfSdccName(section.name)) {
                m_sdccModules.insert(std::string(*module));
                Whole(i, {OwnerKind::kObject, std::string(*module)});
                continue;
            }
            Whole(i, Special(section));
        }
        // An image holds its data section's initial values, byte for byte in the same order: it
        // is split where the data section is.
        for (const auto& [image, data] : images) {
            const std::uint64_t size = m_listing.sections[image].size;
            const std::vector<OwnedPiece>& dataPieces = m_owners.pieces[data];
            for (std::size_t p = 0; p < dataPieces.size(); ++p) {
                const std::uint64_t begin = std::min(dataPieces[p].offset, size);
                const std::uint64_t end =
                    p + 1 < dataPieces.size() ? std::min(dataPieces[p + 1].offset, size) : size;
                if (end > begin) {
                    m_owners.pieces[image].push_back(
                        {image, begin, end - begin, dataPieces[p].owner});
                }
            }
        }
        ResolveObjects();
    }

    static Owner Special(const MplinkSection& section) {
        return {OwnerKind::kSpecial, "<section " + std::string(section.name) + ">"};
    }

    void Whole(std::size_t i, Owner owner) {
        m_owners.pieces[i].push_back({i, 0, m_listing.sections[i].size, std::move(owner)});
    }

    // The source files of the symbols inside the section take its bytes, each from its first
    // symbol on (the first file from the section's start). Two files at one address share the
    // bytes, as an overlay does: the section then stays whole, as a row of its own. Returns
    // false when no symbol inside names a file.
    bool SplitBySymbols(std::size_t i) {
        const MplinkSection& section = m_listing.sections[i];
        const auto [first, last] = m_symbols.In(section);
        std::vector<const MplinkSymbol*> owners;
        for (bool includes : {false, true}) {
            for (auto it = first; it != last; ++it) {
                if (!(*it)->file.empty() && IsIncludeFile((*it)->file) == includes) {
                    owners.push_back(*it);
                }
            }
            if (!owners.empty()) {
                break;
            }
        }
        if (owners.empty()) {
            return false;
        }
        for (std::size_t k = 1; k < owners.size(); ++k) {
            if (owners[k]->address == owners[k - 1]->address &&
                BaseName(owners[k]->file) != BaseName(owners[k - 1]->file)) {
                Whole(i, Special(section));
                return true;
            }
        }
        std::uint64_t start = 0;
        std::string_view file = BaseName(owners.front()->file);
        for (const MplinkSymbol* symbol : owners) {
            const std::string_view next = BaseName(symbol->file);
            if (next != file) {
                const std::uint64_t offset = symbol->address - section.address;
                m_owners.pieces[i].push_back(
                    {i, start, offset - start, {OwnerKind::kSource, std::string(file)}});
                start = offset;
                file = next;
            }
        }
        m_owners.pieces[i].push_back(
            {i, start, section.size - start, {OwnerKind::kSource, std::string(file)}});
        return true;
    }

    // An object named by section names is the source file whose symbols lie in its sections, or
    // the source file of the same stem; otherwise it stays a row under its own name.
    void ResolveObjects() {
        std::vector<std::string_view> sources;  // base names of files with symbols, each once
        std::set<std::string_view> seen;
        for (const MplinkSymbol& symbol : m_listing.symbols) {
            const std::string_view base = BaseName(symbol.file);
            if (!base.empty() && seen.insert(base).second) {
                sources.push_back(base);
            }
        }
        std::map<std::string, std::string> sourceOf;
        for (const auto& [object, sections] : m_objectSections) {
            if (const std::optional<std::string_view> source = SourceBySymbols(sections)) {
                sourceOf[object] = std::string(*source);
            } else if (const auto byStem = SourceByStem(object, sources)) {
                sourceOf[object] = std::string(*byStem);
            }
        }
        for (const std::string& module : m_sdccModules) {
            if (!m_objectSections.count(module)) {
                if (const auto byStem = SourceByStem(module, sources)) {
                    sourceOf[module] = std::string(*byStem);
                }
            }
        }
        for (std::vector<OwnedPiece>& pieces : m_owners.pieces) {
            for (OwnedPiece& piece : pieces) {
                if (piece.owner.kind != OwnerKind::kObject) {
                    continue;
                }
                const auto source = sourceOf.find(piece.owner.name);
                if (source != sourceOf.end()) {
                    piece.owner = {OwnerKind::kSource, source->second};
                }
            }
        }
    }

    // The file with the most symbols in those sections, include files only where no other file
    // has any.
    std::optional<std::string_view> SourceBySymbols(
        const std::vector<std::size_t>& sections) const {
        std::map<std::string_view, std::pair<bool, std::size_t>> counts;  // (include?, symbols)
        std::vector<std::string_view> order;
        for (const std::size_t i : sections) {
            const auto [first, last] = m_symbols.In(m_listing.sections[i]);
            for (auto it = first; it != last; ++it) {
                const std::string_view base = BaseName((*it)->file);
                if (base.empty()) {
                    continue;
                }
                auto& count = counts[base];
                if (count.second++ == 0) {
                    count.first = IsIncludeFile(base);
                    order.push_back(base);
                }
            }
        }
        std::optional<std::string_view> best;
        std::pair<bool, std::size_t> bestKey{false, 0};
        for (const std::string_view base : order) {
            const auto& count = counts[base];
            const std::pair<bool, std::size_t> key{!count.first, count.second};
            if (!best || key > bestKey) {
                best = base;
                bestKey = key;
            }
        }
        return best;
    }

    // "main.o", "MAIN.O", "main" or a cut "MAI" names "main.c": the one source file whose name,
    // with ".o" for its extension, starts with the object's name, ignoring case.
    static std::optional<std::string_view> SourceByStem(
        std::string_view object, const std::vector<std::string_view>& sources) {
        const std::string wanted = AsciiLower(object);
        const std::string objectStem = AsciiLower(Stem(object));
        std::optional<std::string_view> match;
        std::size_t matches = 0;
        for (const std::string_view source : sources) {
            const std::string stem = AsciiLower(Stem(source));
            if (stem == objectStem) {
                return source;
            }
            const std::string asObject = stem + ".o";
            if (asObject.compare(0, wanted.size(), wanted) == 0) {
                match = source;
                ++matches;
            }
        }
        return matches == 1 ? match : std::nullopt;
    }

    const MplinkListing& m_listing;
    const CSymbolsByAddress& m_symbols;
    std::vector<bool> m_fromProcessorFile;  // per symbol of the listing
    SectionOwners m_owners;
    std::map<std::string, std::vector<std::size_t>> m_objectSections;
    std::set<std::string> m_sdccModules;
};

}  // namespace

SectionOwners FindSectionOwners(const MplinkListing& listing,
                                const CSymbolsByAddress& symbolsByAddress) {
    return COwnerFinder(listing, symbolsByAddress).Find();
}

bool IsCounted(const MplinkSection& section, bool leftOut) {
    return section.size > 0 && !leftOut;
}

MemoryKind MemoryOf(const MplinkSection& section) {
    if (!section.program) {
        return MemoryKind::kRam;
    }
    return section.address < kMplinkOtherStart ? MemoryKind::kRom : MemoryKind::kOther;
}
