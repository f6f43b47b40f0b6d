#include "map_generator.h"

#include <algorithm>
#include <string_view>

namespace {

// SplitMix64: small, fast and fully specified, so maps are identical everywhere.
class CRandom {
public:
    explicit CRandom(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t Next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // A number from 0 to bound - 1.
    std::uint32_t Below(std::uint32_t bound) {
        return static_cast<std::uint32_t>((Next() >> 32) * bound >> 32);
    }

    bool Chance(std::uint32_t percent) { return Below(100) < percent; }

private:
    std::uint64_t m_state;
};

// Output is gathered in a buffer and written to the file in big pieces, or kept whole in the
// buffer when there is no file.
class CWriter {
public:
    CWriter(std::FILE* file, std::string& buffer) : m_file(file), m_buffer(buffer) {}
    ~CWriter() { Flush(); }

    CWriter(const CWriter&) = delete;
    CWriter& operator=(const CWriter&) = delete;

    void Text(std::string_view text) {
        m_buffer.append(text);
        if (m_file != nullptr && m_buffer.size() >= kFlushSize) {
            Flush();
        }
    }
    void Char(char c) { m_buffer.push_back(c); }
    void Spaces(std::size_t count) { m_buffer.append(count, ' '); }

    // Upper-case hexadecimal, right-aligned in a field of the given width.
    void Hex(std::uint32_t value, std::size_t width) {
        char digits[8];
        std::size_t n = 0;
        do {
            digits[n++] = "0123456789ABCDEF"[value & 0xFu];
            value >>= 4;
        } while (value != 0);
        Pad(n, width);
        while (n > 0) {
            m_buffer.push_back(digits[--n]);
        }
    }

    void Decimal(std::uint32_t value, std::size_t width) {
        char digits[10];
        std::size_t n = 0;
        do {
            digits[n++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        Pad(n, width);
        while (n > 0) {
            m_buffer.push_back(digits[--n]);
        }
    }

    // A name followed by spaces up to the given width (at least one space).
    void Padded(std::string_view text, std::size_t width) {
        m_buffer.append(text);
        m_buffer.append(text.size() < width ? width - text.size() : 1, ' ');
    }

    bool Flush() {
        if (m_file != nullptr && !m_buffer.empty()) {
            m_ok =
                m_ok && std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_file) == m_buffer.size();
            m_buffer.clear();
        }
        return m_ok;
    }

private:
    static constexpr std::size_t kFlushSize = 1 << 20;

    void Pad(std::size_t length, std::size_t width) {
        if (length < width) {
            m_buffer.append(width - length, ' ');
        }
    }

    std::FILE* m_file;
    std::string& m_buffer;
    bool m_ok = true;
};

// Folders as they turn up on developers' machines: drive letters, 8.3 short names, a Latin-1
// accented letter, braces and an exclamation mark, a space.
constexpr std::string_view kFolders[] = {
    "C:\\PIC18C\\LIB\\",
    "D:\\Zigbee\\",
    "D:\\Zigbee\\stack\\",
    "C:\\DOCUME~1\\OWNER~1\\LOCALS~1\\Temp\\",
    "C:\\Users\\Jos\xE9\\Firmware\\",
    "E:\\work\\firmware\\src\\",
    "E:\\work\\firmware\\drivers\\",
    "C:\\Work{2}\\",
    "F:\\builds\\nightly!\\obj\\",
    "C:\\My Projects\\shared\\",
    "",
};

constexpr std::string_view kStems[] = {
    "main",   "uart",   "spi",    "i2c",      "adc",   "pwm",    "timer", "lcd",      "buzzer",
    "sensor", "crc16",  "flash",  "eeprom",   "can",   "usb",    "motor", "keypad",   "rtc",
    "zb_mac", "zb_nwk", "delay",  "printf",   "queue", "filter", "menu",  "led",      "relay",
    "isr",    "boot",   "config", "protocol", "log",   "debug",  "power", "watchdog", "clock"};

// Where a section goes: program memory, data memory, or one of the areas above program memory
// (ID locations, configuration words, EEPROM data), each with its own run of addresses.
enum class Region : std::uint8_t { kProgram, kData, kIdloc, kConfig, kEeprom };
constexpr std::size_t kRegionCount = 5;

// The 27 counted sections and some the listed count ignores, with the class the linker puts
// them in and the largest length they get in a small map.
struct Section {
    std::string_view name;
    Region region;
    std::string_view className;
    std::uint32_t maxLength;
};

constexpr Section kSections[] = {
    {"text", Region::kProgram, "CODE", 0x1800},   {"text", Region::kProgram, "CODE", 0x400},
    {"const", Region::kProgram, "CONST", 0x600},  {"rbss", Region::kData, "RAM", 0x40},
    {"bss", Region::kData, "RAM", 0x100},         {"temp", Region::kData, "RAM", 0x10},
    {"rdata", Region::kData, "RAM", 0x40},        {"data", Region::kData, "RAM", 0x80},
    {"bigbss", Region::kData, "RAM", 0x400},      {"farbss", Region::kData, "RAM", 0x400},
    {"idloc", Region::kIdloc, "IDLOC", 0x8},      {"config", Region::kConfig, "CONFIG", 0xE},
    {"init", Region::kProgram, "CODE", 0x40},     {"end_init", Region::kProgram, "CODE", 0x8},
    {"clrtext", Region::kProgram, "CODE", 0x40},  {"powerup", Region::kProgram, "CODE", 0x10},
    {"intcode", Region::kProgram, "CODE", 0x100}, {"intcodelo", Region::kProgram, "CODE", 0x80},
    {"irdata", Region::kProgram, "CONST", 0x40},  {"ibigdata", Region::kProgram, "CONST", 0x80},
    {"bigdata", Region::kData, "RAM", 0x100},     {"eeprom_data", Region::kEeprom, "EEDATA", 0x100},
    {"nvrram", Region::kData, "RAM", 0x20},       {"nvbit", Region::kData, "RAM", 0x4},
    {"nvram", Region::kData, "RAM", 0x40},        {"rbit", Region::kData, "RAM", 0x10},
    {"struct", Region::kData, "RAM", 0x20},       {"intsave_regs", Region::kData, "RAM", 0x20},
    {"text0", Region::kProgram, "CODE", 0x200},   {"cstackCOMRAM", Region::kData, "RAM", 0x20},
    {"bssBANK0", Region::kData, "RAM", 0x40},     {"smallconst", Region::kProgram, "CONST", 0x10},
    {"reset_vec", Region::kProgram, "CODE", 0x4}, {"mediumconst", Region::kProgram, "CONST", 0x200},
};
constexpr std::uint32_t kSectionCount = sizeof(kSections) / sizeof(kSections[0]);

// The classes of the TOTAL section, in the order it lists them. COMRAM holds the COMMON block.
constexpr std::string_view kClasses[] = {"CODE",  "CONST",  "COMRAM", "RAM",
                                         "IDLOC", "CONFIG", "EEDATA"};

// The addresses of each region: where its first section goes, the end no section may pass, and
// the least end its class range has. Program memory stays below the 0x200000 where the ID
// locations begin; data memory (space 1) starts after the COMMON block's access bank.
struct RegionSpan {
    std::uint32_t first;
    std::uint32_t limit;
    std::uint32_t leastEnd;
    std::uint32_t step;  // class ranges end on a multiple of this
};

constexpr RegionSpan kRegions[kRegionCount] = {
    {0x000000, 0x1F0000, 0x008000, 0x4000},  // program memory
    {0x000060, 0xF00000, 0x001000, 0x100},   // data memory
    {0x200000, 0x2F0000, 0x200008, 0x8},     // ID locations
    {0x300000, 0x3F0000, 0x30000E, 0x2},     // configuration words
    {0xF00000, 0xFF0000, 0xF00100, 0x100},   // EEPROM data
};

// The COMMON block: variables of the access bank that belong to no object file.
struct CommonVariable {
    std::string_view name;
    std::uint32_t address;
    std::uint32_t length;
};
constexpr CommonVariable kCommon[] = {{"param", 0x00, 0x10}, {"rbss", 0x10, 0x16}};
constexpr std::uint32_t kCommonEnd = 0x26;
constexpr std::uint32_t kAccessBankEnd = 0x60;

constexpr std::uint32_t SpaceOf(Region region) {
    return region == Region::kData ? 1 : 0;
}

// The object's name: folder, stem, a number that keeps names apart, ".obj".
void ObjectName(CRandom& random, std::uint32_t index, std::string& name) {
    name.assign(kFolders[random.Below(sizeof(kFolders) / sizeof(kFolders[0]))]);
    name.append(kStems[random.Below(sizeof(kStems) / sizeof(kStems[0]))]);
    name.push_back('_');
    name.append(std::to_string(index));
    name.append(".obj");
}

// The object files and their section records, drawn from the seed: every walk over the layout
// meets the same records at the same addresses, so the map's parts that depend on all of them
// (class ranges, the TOTAL section, unused ranges) are written from walks of their own rather
// than from records held in memory. Each region's sections follow one another without gaps or
// overlaps; in large maps their lengths are scaled down so that each region fits its addresses,
// and a section that would still not fit is empty.
class CLayout {
public:
    struct Record {
        const Section* section;
        std::uint32_t address;
        std::uint32_t length;
    };

    explicit CLayout(const MapShape& shape) : m_shape(shape) {
        // The expected bytes of a region: records × the share of its sections × 0.88 (one in
        // eight is empty) × the mean length. Scaled so that it fills at most half the region.
        const std::uint64_t records = std::uint64_t{shape.objects} * shape.sections;
        std::uint64_t lengthSums[kRegionCount] = {};
        for (const Section& section : kSections) {
            lengthSums[static_cast<std::size_t>(section.region)] += section.maxLength + 1u;
        }
        for (std::uint32_t i = 0; i < kSectionCount; ++i) {
            const Section& section = kSections[i];
            const auto region = static_cast<std::size_t>(section.region);
            const std::uint64_t expected =
                records * lengthSums[region] * 44 / (100 * std::uint64_t{kSectionCount});
            const std::uint64_t room = (kRegions[region].limit - kRegions[region].first) / 2;
            std::uint64_t maxLength = section.maxLength;
            if (expected > room) {
                maxLength = std::max<std::uint64_t>(1, maxLength * room / expected);
            }
            m_maxLength[i] = static_cast<std::uint32_t>(maxLength);
        }
    }

    // Calls object(index, ownLine) for each object file, then record(record) for each of its
    // section records, in the map's order.
    template <typename ObjectVisit, typename RecordVisit>
    void Walk(ObjectVisit&& object, RecordVisit&& record) const {
        CRandom random(m_shape.seed ^ 0xA5A5A5A5DEADBEEFull);
        std::uint32_t next[kRegionCount];
        for (std::size_t r = 0; r < kRegionCount; ++r) {
            next[r] = kRegions[r].first;
        }
        for (std::uint32_t i = 0; i < m_shape.objects; ++i) {
            // Two layouts: the name on a line of its own, or the name then the first record.
            object(i, random.Chance(50));
            const std::uint32_t count = 1 + random.Below(2 * m_shape.sections - 1);
            for (std::uint32_t s = 0; s < count; ++s) {
                const std::uint32_t index = random.Below(kSectionCount);
                const Section& section = kSections[index];
                // About one section in eight is empty; it still has a full record in the map.
                std::uint32_t length = random.Chance(12) ? 0 : 1 + random.Below(m_maxLength[index]);
                const auto region = static_cast<std::size_t>(section.region);
                std::uint32_t& address = next[region];
                if (length > kRegions[region].limit - address) {
                    length = 0;
                }
                record(Record{&section, address, length});
                address += length;
            }
        }
    }

    // The end of the used addresses of each region.
    void Ends(std::uint32_t (&ends)[kRegionCount]) const {
        for (std::size_t r = 0; r < kRegionCount; ++r) {
            ends[r] = kRegions[r].first;
        }
        Walk([](std::uint32_t, bool) {},
             [&ends](const Record& record) {
                 ends[static_cast<std::size_t>(record.section->region)] =
                     record.address + record.length;
             });
    }

private:
    const MapShape& m_shape;
    std::uint32_t m_maxLength[kSectionCount] = {};
};

// The end (exclusive) of a region's class range: past its last used address, so that the map
// always has unused addresses of the class to list.
std::uint32_t ClassEnd(std::size_t region, std::uint32_t usedEnd) {
    const RegionSpan& span = kRegions[region];
    const std::uint32_t rounded = (usedEnd / span.step + 1) * span.step;
    return std::max(span.leastEnd, rounded);
}

// "-ANAME=0FIRSTh-0LASTh": a class range of the linker command line.
void ClassOption(CWriter& out, std::string_view className, std::uint32_t first, std::uint32_t end) {
    out.Text("-A");
    out.Text(className);
    out.Text("=0");
    out.Hex(first, 0);
    out.Text("h-0");
    out.Hex(end - 1, 0);
    out.Char('h');
}

void WriteHeader(CWriter& out, const MapShape& options, const std::uint32_t (&ends)[kRegionCount]) {
    out.Text("PIC18 linker map, generated by tallyfold-mapgen (seed ");
    out.Text(std::to_string(options.seed));
    out.Text(", ");
    out.Text(std::to_string(options.objects));
    out.Text(" object files)\n\nLinker command line:\n\n");
    out.Text(
        "-z -Mbig.map -E -H -ol.obj -ppowerup=00h,intcode=08h,intcodelo=018h,init,end_init \\\n"
        "  -pconfig=0300000h -pidloc=0200000h -peeprom_data=0F00000h ");
    const std::uint32_t programEnd = ClassEnd(0, ends[0]);
    ClassOption(out, "CODE", 0, programEnd);
    out.Text(" \\\n  ");
    ClassOption(out, "CONST", 0, programEnd);
    out.Char(' ');
    ClassOption(out, "COMRAM", 0, kAccessBankEnd);
    out.Char(' ');
    ClassOption(out, "RAM", kRegions[1].first, ClassEnd(1, ends[1]));
    out.Text(" \\\n  ");
    ClassOption(out, "IDLOC", kRegions[2].first, ClassEnd(2, ends[2]));
    out.Char(' ');
    ClassOption(out, "CONFIG", kRegions[3].first, ClassEnd(3, ends[3]));
    out.Char(' ');
    ClassOption(out, "EEDATA", kRegions[4].first, ClassEnd(4, ends[4]));
    out.Text(" \\\n");
}

// The command line names every object file, a few to a line, then the libraries.
void WriteCommandLineObjects(CWriter& out, const MapShape& options) {
    CRandom random(options.seed);
    std::string name;
    for (std::uint32_t i = 0; i < options.objects; ++i) {
        out.Text(i % 4 == 0 ? "  " : " ");
        ObjectName(random, i, name);
        out.Text(name);
        if (i % 4 == 3) {
            out.Text(" \\\n");
        }
    }
    out.Text(
        " C:\\PIC18C\\LIB\\libc18.lib\n\nObject code version is 3.9\n\n"
        "Machine type is 18F4680\n\n\n"
        "\t\tName          Link     Load   Length Selector Space Scale\n");
}

// Name, link and load address, length: the start of a record in both tables.
void WriteRecordStart(CWriter& out, std::string_view name, std::uint32_t address,
                      std::uint32_t length) {
    out.Padded(name, 12);
    out.Hex(address, 8);
    out.Char(' ');
    out.Hex(address, 8);
    out.Char(' ');
    out.Hex(length, 8);
}

void WriteSectionRecord(CWriter& out, std::string_view name, std::uint32_t space,
                        std::uint32_t address, std::uint32_t length) {
    WriteRecordStart(out, name, address, length);
    out.Char(' ');
    out.Hex(space == 0 ? 0 : (address & 0xF00u), 7);
    out.Char(' ');
    out.Decimal(space, 5);
    out.Char('\n');
}

void WriteObjectTable(CWriter& out, const MapShape& options, const CLayout& layout) {
    // The same seed gives the same names in the command line and in the table.
    CRandom names(options.seed);
    std::string name;
    bool inLibrary = false;
    bool firstRecord = false;
    layout.Walk(
        [&](std::uint32_t i, bool ownLine) {
            ObjectName(names, i, name);
            // Later objects come from a library, whose members are named without a folder.
            if (!inLibrary && i >= options.objects - options.objects / 8) {
                inLibrary = true;
                out.Text("\nC:\\PIC18C\\LIB\\libc18.lib\n");
            }
            if (inLibrary) {
                const std::size_t slash = name.rfind('\\');
                if (slash != std::string::npos) {
                    name.erase(0, slash + 1);
                }
            }
            out.Text(name);
            if (ownLine) {
                out.Text("\n");
            } else {
                out.Text(name.size() < 16 ? "\t" : " ");
                firstRecord = true;
            }
        },
        [&](const CLayout::Record& record) {
            if (!firstRecord) {
                out.Text("\t\t");
            }
            firstRecord = false;
            WriteSectionRecord(out, record.section->name, SpaceOf(record.section->region),
                               record.address, record.length);
        });
    out.Text("\nCOMMON  ");
    for (const CommonVariable& variable : kCommon) {
        out.Text(&variable == kCommon ? "" : "\t\t");
        WriteSectionRecord(out, variable.name, 1, variable.address, variable.length);
    }
    out.Char('\n');
}

void WriteTotalRecord(CWriter& out, std::string_view name, std::uint32_t space,
                      std::uint32_t address, std::uint32_t length) {
    out.Text("\t\t");
    WriteRecordStart(out, name, address, length);
    out.Char(' ');
    out.Decimal(space, 5);
    out.Char('\n');
}

// The TOTAL section lists every record of the table once, under its class: one walk over the
// layout for each class.
void WriteTotals(CWriter& out, const CLayout& layout) {
    out.Text("TOTAL\t\tName          Link     Load   Length     Space\n");
    for (std::string_view className : kClasses) {
        out.Text("\tCLASS\t");
        out.Text(className);
        out.Char('\n');
        if (className == "COMRAM") {
            for (const CommonVariable& variable : kCommon) {
                WriteTotalRecord(out, variable.name, 1, variable.address, variable.length);
            }
            continue;
        }
        layout.Walk([](std::uint32_t, bool) {},
                    [&](const CLayout::Record& record) {
                        if (record.section->className == className) {
                            WriteTotalRecord(out, record.section->name,
                                             SpaceOf(record.section->region), record.address,
                                             record.length);
                        }
                    });
    }
}

void WriteUnusedRange(CWriter& out, std::string_view className, std::uint32_t first,
                      std::uint32_t end) {
    out.Char('\t');
    out.Padded(className, 17);
    out.Hex(first, 0);
    out.Char('-');
    out.Hex(end - 1, 0);
    out.Char('\n');
}

// What follows the class totals: segments, unused ranges and a symbol table.
void WriteTrailer(CWriter& out, const MapShape& options,
                  const std::uint32_t (&ends)[kRegionCount]) {
    out.Text(
        "\nSEGMENTS        Name                           Load    Length   Top    Selector"
        "   Space  Class\n\n"
        "                reset_vec                      000000  000004  000004         0"
        "       0  CODE\n\nUNUSED ADDRESS RANGES\n\n");
    const std::uint32_t programEnd = ClassEnd(0, ends[0]);
    WriteUnusedRange(out, "CODE", ends[0], programEnd);
    WriteUnusedRange(out, "COMRAM", kCommonEnd, kAccessBankEnd);
    WriteUnusedRange(out, "CONFIG", ends[3], ClassEnd(3, ends[3]));
    WriteUnusedRange(out, "CONST", ends[0], programEnd);
    WriteUnusedRange(out, "EEDATA", ends[4], ClassEnd(4, ends[4]));
    WriteUnusedRange(out, "IDLOC", ends[2], ClassEnd(2, ends[2]));
    WriteUnusedRange(out, "RAM", ends[1], ClassEnd(1, ends[1]));
    out.Text("\n\t\t\t\tSymbol Table\n\n");
    CRandom random(options.seed + 7);
    const std::uint32_t symbols = options.objects / 16 + 4;
    for (std::uint32_t i = 0; i < symbols; ++i) {
        out.Char('_');
        out.Padded(kStems[random.Below(sizeof(kStems) / sizeof(kStems[0]))], 24);
        out.Padded("text", 8);
        out.Hex(random.Below(0x10000), 6);
        out.Char('\n');
    }
}

// The whole map, in file order.
void WriteMap(CWriter& out, const MapShape& shape) {
    const CLayout layout(shape);
    std::uint32_t ends[kRegionCount];
    layout.Ends(ends);
    WriteHeader(out, shape, ends);
    WriteCommandLineObjects(out, shape);
    WriteObjectTable(out, shape, layout);
    WriteTotals(out, layout);
    WriteTrailer(out, shape, ends);
}

}  // namespace

std::string GenerateMap(const MapShape& shape) {
    std::string map;
    {
        CWriter out(nullptr, map);
        WriteMap(out, shape);
    }
    return map;
}

bool WriteGeneratedMap(const MapShape& shape, std::FILE* file) {
    std::string buffer;
    CWriter out(file, buffer);
    WriteMap(out, shape);
    return out.Flush();
}
