// tallyfold-pic18-table: writes analysis/core/pic18_parts_table.inc, the memory of every PIC18
// part, from the device linker scripts that gputils installs (18*_g.lkr).
//
// A script is read as gplink reads it with no symbol defined (no C runtime, no extended
// instruction set), so #IFDEF ... #ELSE ... #FI keeps its #ELSE branches. Anything the scripts
// hold that this tool does not know stops it with the file and line, so that a newer gputils
// cannot slip a wrong figure into the table.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: tallyfold-pic18-table LKR_DIR OUTPUT\n"
    "Reads the PIC18 linker scripts LKR_DIR/18*_g.lkr (gputils installs them in\n"
    "/usr/share/gputils/lkr) and writes the table of parts to OUTPUT.\n";

enum class DataKind { kAccessRam, kGpr, kSfr, kAccessSfr };

struct DataBank {
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
    DataKind kind = DataKind::kGpr;

    bool operator==(const DataBank& b) const {
        return begin == b.begin && end == b.end && kind == b.kind;
    }
    bool operator<(const DataBank& b) const { return begin < b.begin; }
};

struct Range {
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
};

struct Part {
    std::string name;
    Range program;
    Range eeprom;
    Range idLocations;
    Range configuration;
    bool hasProgram = false;
    bool hasConfiguration = false;
    std::vector<DataBank> banks;
    // Derived from the banks.
    std::uint32_t ramBytes = 0;
    std::uint32_t sfrBegin = 0;
    std::uint32_t accessSplit = 0;
};

class ScriptError : public std::runtime_error {
public:
    ScriptError(const fs::path& file, int line, const std::string& what)
        : std::runtime_error(file.string() + (line > 0 ? ":" + std::to_string(line) : "") + ": " +
                             what) {}
};

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line.substr(0, line.find("//")));
    std::string word;
    while (in >> word) {
        words.push_back(word);
    }
    return words;
}

std::uint32_t ParseAddress(const std::string& text, const fs::path& file, int line) {
    std::size_t used = 0;
    unsigned long value = 0;
    try {
        value = std::stoul(text, &used, 0);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || text.empty() || value > 0xFFFFFFFFul) {
        throw ScriptError(file, line, "not an address: '" + text + "'");
    }
    return static_cast<std::uint32_t>(value);
}

// One CODEPAGE, DATABANK or ACCESSBANK line: its name, its range [begin, end) and its
// PROTECTED mark.
struct MemoryLine {
    std::string directive;
    std::string name;
    Range range;
    bool isProtected = false;
};

MemoryLine ParseMemoryLine(const std::vector<std::string>& words, const fs::path& file, int line) {
    MemoryLine memory;
    memory.directive = words[0];
    bool hasBegin = false;
    bool hasEnd = false;
    std::uint32_t last = 0;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        const std::size_t equals = word.find('=');
        const std::string key = word.substr(0, equals);
        const std::string value = equals == std::string::npos ? "" : word.substr(equals + 1);
        if (word == "PROTECTED") {
            memory.isProtected = true;
        } else if (key == "NAME" && !value.empty()) {
            memory.name = value;
        } else if (key == "START") {
            memory.range.begin = ParseAddress(value, file, line);
            hasBegin = true;
        } else if (key == "END") {
            last = ParseAddress(value, file, line);
            hasEnd = true;
        } else {
            throw ScriptError(file, line, "unknown attribute '" + word + "'");
        }
    }
    if (memory.name.empty() || !hasBegin || !hasEnd || last < memory.range.begin ||
        last == 0xFFFFFFFFu) {
        throw ScriptError(file, line, "needs NAME, START and END, START <= END");
    }
    memory.range.end = last + 1;
    return memory;
}

void AddCodePage(Part& part, const MemoryLine& page, const fs::path& file, int line) {
    const auto take = [&](Range& range, bool begins) {
        if (range.end != 0 || !begins) {
            throw ScriptError(file, line, "unexpected code page '" + page.name + "'");
        }
        range = page.range;
    };
    if (!page.isProtected) {
        // Program memory: one page from address 0 (the extended-memory parts' external space
        // included).
        take(part.program, page.range.begin == 0 && page.range.end <= 0x200000);
        part.hasProgram = true;
    } else if (page.name == "idlocs" || page.name == "userid") {
        take(part.idLocations, page.range.begin == 0x200000);
    } else if (page.name == "config" || page.name == "cfgmem") {
        // At 0x300000, or in the last bytes of program memory on the J parts.
        take(part.configuration, page.range.begin == 0x300000 || page.range.end <= 0x200000);
        part.hasConfiguration = true;
    } else if (page.name == "eedata") {
        take(part.eeprom, page.range.begin == 0xF00000 && page.range.end <= 0xF10000);
    } else if (page.name != "devid") {  // the device ID is read-only and of no use here
        throw ScriptError(file, line, "unknown code page '" + page.name + "'");
    }
}

void AddDataBank(Part& part, const MemoryLine& bank, const fs::path& file, int line) {
    if (bank.range.end > 0x1000 || (bank.range.begin >> 8) != ((bank.range.end - 1) >> 8)) {
        throw ScriptError(file, line, "a data bank outside 0-0xFFF or across a 256-byte bank");
    }
    const bool access = bank.directive == "ACCESSBANK";
    const DataKind kind = bank.isProtected ? (access ? DataKind::kAccessSfr : DataKind::kSfr)
                                           : (access ? DataKind::kAccessRam : DataKind::kGpr);
    part.banks.push_back({bank.range.begin, bank.range.end, kind});
}

// Checks the banks and works out the figures that come from them.
void CompleteDataMemory(Part& part, const fs::path& file) {
    const auto fail = [&](const std::string& what) { throw ScriptError(file, 0, what); };
    std::sort(part.banks.begin(), part.banks.end());
    for (std::size_t i = 1; i < part.banks.size(); ++i) {
        if (part.banks[i].begin < part.banks[i - 1].end) {
            fail("data banks overlap");
        }
    }
    const DataBank* accessRam = nullptr;
    const DataBank* accessSfr = nullptr;
    part.sfrBegin = 0x1000;
    for (const DataBank& bank : part.banks) {
        switch (bank.kind) {
            case DataKind::kAccessRam:
                if (accessRam != nullptr) {
                    fail("two access RAM banks");
                }
                accessRam = &bank;
                part.ramBytes += bank.end - bank.begin;
                break;
            case DataKind::kGpr:
                part.ramBytes += bank.end - bank.begin;
                break;
            case DataKind::kAccessSfr:
                if (accessSfr != nullptr) {
                    fail("two access register banks");
                }
                accessSfr = &bank;
                part.sfrBegin = std::min(part.sfrBegin, bank.begin);
                break;
            case DataKind::kSfr:
                part.sfrBegin = std::min(part.sfrBegin, bank.begin);
                break;
        }
    }
    if (accessRam == nullptr || accessSfr == nullptr || accessRam->begin != 0 ||
        accessSfr->end != 0x1000 || accessSfr->begin != 0xF00 + accessRam->end) {
        fail("the access bank is not access RAM [0, n) and registers [0xF00 + n, 0x1000)");
    }
    part.accessSplit = accessRam->end;
    if (!part.hasProgram || !part.hasConfiguration) {
        fail("no program memory or no configuration words");
    }
}

Part ReadScript(const fs::path& file, std::string name) {
    std::ifstream in(file);
    if (!in) {
        throw ScriptError(file, 0, "cannot be read");
    }
    Part part;
    part.name = std::move(name);
    // One entry per open #IFDEF: whether its lines are read, and whether its #ELSE was seen.
    struct Branch {
        bool reading;
        bool inElse;
    };
    std::vector<Branch> branches;
    const auto reading = [&] { return branches.empty() || branches.back().reading; };
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        const std::vector<std::string> words = Words(text);
        if (words.empty()) {
            continue;
        }
        const std::string& directive = words[0];
        if (directive == "#IFDEF" && words.size() == 2) {
            branches.push_back({false, false});  // no symbol is defined
        } else if (directive == "#ELSE" && words.size() == 1 && !branches.empty() &&
                   !branches.back().inElse) {
            const bool outer = branches.size() < 2 || branches[branches.size() - 2].reading;
            branches.back() = {outer, true};
        } else if (directive == "#FI" && words.size() == 1 && !branches.empty()) {
            branches.pop_back();
        } else if (directive[0] == '#') {
            throw ScriptError(file, line, "unexpected '" + text + "'");
        } else if (!reading() || directive == "LIBPATH" || directive == "FILES" ||
                   directive == "SECTION" || directive == "STACK") {
            continue;
        } else if (directive == "CODEPAGE") {
            AddCodePage(part, ParseMemoryLine(words, file, line), file, line);
        } else if (directive == "DATABANK" || directive == "ACCESSBANK") {
            AddDataBank(part, ParseMemoryLine(words, file, line), file, line);
        } else {
            throw ScriptError(file, line, "unknown directive '" + directive + "'");
        }
    }
    if (!branches.empty()) {
        throw ScriptError(file, 0, "an #IFDEF without #FI");
    }
    CompleteDataMemory(part, file);
    return part;
}

// The parts of every 18*_g.lkr script of the folder, sorted by name.
std::vector<Part> ReadScripts(const fs::path& folder) {
    std::vector<Part> parts;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        const std::string file = entry.path().filename().string();
        const std::string suffix = "_g.lkr";
        if (file.size() <= suffix.size() + 2 || file.compare(0, 2, "18") != 0 ||
            file.compare(file.size() - suffix.size(), suffix.size(), suffix) != 0) {
            continue;
        }
        std::string name = file.substr(0, file.size() - suffix.size());
        std::transform(name.begin(), name.end(), name.begin(), [](char c) {
            return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        });
        parts.push_back(ReadScript(entry.path(), std::move(name)));
    }
    std::sort(parts.begin(), parts.end(),
              [](const Part& a, const Part& b) { return a.name < b.name; });
    if (parts.empty()) {
        throw std::runtime_error(folder.string() + ": no 18*_g.lkr linker scripts");
    }
    return parts;
}

std::string Hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

const char* KindName(DataKind kind) {
    switch (kind) {
        case DataKind::kAccessRam:
            return "kAccessRam";
        case DataKind::kGpr:
            return "kGpr";
        case DataKind::kSfr:
            return "kSfr";
        case DataKind::kAccessSfr:
            return "kAccessSfr";
    }
    return "";
}

std::string RangeText(const Range& range) {
    return "{" + Hex(range.begin, 6) + ", " + Hex(range.end, 6) + "}";
}

std::string Table(const std::vector<Part>& parts, const std::string& folder) {
    // Parts with the same data memory share one run of the bank table, in order of first use.
    std::vector<std::vector<DataBank>> layouts;
    std::vector<std::vector<std::string>> layoutParts;
    std::vector<std::size_t> layoutOf;
    for (const Part& part : parts) {
        const auto found = std::find(layouts.begin(), layouts.end(), part.banks);
        const std::size_t layout = static_cast<std::size_t>(found - layouts.begin());
        if (found == layouts.end()) {
            layouts.push_back(part.banks);
            layoutParts.emplace_back();
        }
        layoutParts[layout].push_back(part.name);
        layoutOf.push_back(layout);
    }

    std::ostringstream out;
    out << "// The memory of every PIC18 part, generated by tools/pic18_parts_table.cpp from the\n"
           "// device linker scripts of gputils, "
        << folder
        << "/18*_g.lkr.\n"
           "// Do not edit: regenerate it with\n"
           "//   cmake --build build/native --target pic18_parts_table\n"
           "// which runs, in the source tree,\n"
           "//   tallyfold-pic18-table "
        << folder
        << " analysis/core/pic18_parts_table.inc\n"
           "// Included by pic18_parts.cpp; the types are those of pic18_parts.h.\n\n";

    out << "// Data memory: each part's banks are a run of this table, in address order; parts "
           "with the\n// same banks share a run.\n"
           "constexpr Pic18DataBank kPic18DataBanks[] = {\n";
    std::vector<std::size_t> firstBank;
    std::size_t next = 0;
    for (std::size_t layout = 0; layout < layouts.size(); ++layout) {
        firstBank.push_back(next);
        const std::vector<std::string>& users = layoutParts[layout];
        out << "    // " << next << ": " << users.front();
        if (users.size() > 1) {
            out << " and " << users.size() - 1 << " more";
        }
        out << "\n";
        std::size_t column = 0;
        for (const DataBank& bank : layouts[layout]) {
            std::string item = "{" + Hex(bank.begin, 3) + ", " + Hex(bank.end, 4) +
                               ", Pic18DataKind::" + KindName(bank.kind) + "},";
            if (column == 2) {
                out << "\n";
                column = 0;
            }
            out << (column == 0 ? "    " : " ") << item;
            ++column;
        }
        out << "\n";
        next += layouts[layout].size();
    }
    out << "};\n\n";

    out << "// name, program bytes, RAM bytes, EEPROM bytes, first register, access split,\n"
           "// ID locations, configuration words, first bank, bank count\n"
           "constexpr Pic18Part kPic18Parts[] = {\n";
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const Part& part = parts[i];
        const std::size_t layout = layoutOf[i];
        out << "    {\"" << part.name << "\", " << Hex(part.program.end, 6) << ", " << part.ramBytes
            << ", " << part.eeprom.end - part.eeprom.begin << ", " << Hex(part.sfrBegin, 3) << ", "
            << Hex(part.accessSplit, 2) << ",\n"
            << "     " << RangeText(part.idLocations) << ", " << RangeText(part.configuration)
            << ", " << firstBank[layout] << ", " << layouts[layout].size() << "},\n";
    }
    out << "};\n";
    return out.str();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    try {
        const std::string folder = argv[1];
        const std::string table = Table(ReadScripts(folder), folder);
        std::ofstream out(argv[2], std::ios::binary);
        out << table;
        out.close();
        if (!out) {
            throw std::runtime_error(std::string(argv[2]) + ": cannot be written");
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tallyfold-pic18-table: %s\n", error.what());
        return 1;
    }
    return 0;
}
