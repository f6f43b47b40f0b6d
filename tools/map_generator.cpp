#include "map_generator.h"

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

// The 27 counted sections and their memory space; the others are sections the report ignores.
struct Section {
    std::string_view name;
    std::uint32_t space;
    std::uint32_t maxLength;
};

constexpr Section kSections[] = {
    {"text", 0, 0x1800},       {"text", 0, 0x400},      {"const", 0, 0x600},
    {"rbss", 1, 0x40},         {"bss", 1, 0x100},       {"temp", 1, 0x10},
    {"rdata", 1, 0x40},        {"data", 1, 0x80},       {"bigbss", 1, 0x400},
    {"farbss", 2, 0x400},      {"idloc", 0, 0x8},       {"config", 0, 0xE},
    {"init", 0, 0x40},         {"end_init", 0, 0x8},    {"clrtext", 0, 0x40},
    {"powerup", 0, 0x10},      {"intcode", 0, 0x100},   {"intcodelo", 0, 0x80},
    {"irdata", 0, 0x40},       {"ibigdata", 0, 0x80},   {"bigdata", 1, 0x100},
    {"eeprom_data", 0, 0x100}, {"nvrram", 1, 0x20},     {"nvbit", 1, 0x4},
    {"nvram", 1, 0x40},        {"rbit", 1, 0x10},       {"struct", 1, 0x20},
    {"intsave_regs", 1, 0x20}, {"text0", 0, 0x200},     {"cstackCOMRAM", 1, 0x20},
    {"bssBANK0", 1, 0x40},     {"smallconst", 0, 0x10}, {"reset_vec", 0, 0x4},
    {"mediumconst", 0, 0x200},
};
constexpr std::uint32_t kSectionCount = sizeof(kSections) / sizeof(kSections[0]);

// The object's name: folder, stem, a number that keeps names apart, ".obj".
void ObjectName(CRandom& random, std::uint32_t index, std::string& name) {
    name.assign(kFolders[random.Below(sizeof(kFolders) / sizeof(kFolders[0]))]);
    name.append(kStems[random.Below(sizeof(kStems) / sizeof(kStems[0]))]);
    name.push_back('_');
    name.append(std::to_string(index));
    name.append(".obj");
}

void WriteHeader(CWriter& out, const MapShape& options) {
    out.Text("PIC18 linker map, generated by tallyfold-mapgen (seed ");
    out.Text(std::to_string(options.seed));
    out.Text(", ");
    out.Text(std::to_string(options.objects));
    out.Text(" object files)\n\nLinker command line:\n\n");
    out.Text(
        "-z -Mbig.map -E -H -ol.obj -ppowerup=00h,intcode=08h,intcodelo=018h,init,end_init \\\n"
        "  -pconfig=0300000h -pidloc=0200000h -peeprom_data=0F00000h -ACODE=00h-0FFFFh \\\n"
        "  -ACONST=00h-0FFFFh -ABIGRAM=01h-0CFFh -ARAM=060h-0FFh,0100h-0CFFhx12 \\\n");
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

void WriteSectionRecord(CWriter& out, CRandom& random, const Section& section,
                        std::uint32_t& address) {
    // About one section in eight is empty; it still has a full record in the map.
    const std::uint32_t length = random.Chance(12) ? 0 : 1 + random.Below(section.maxLength);
    out.Padded(section.name, 12);
    out.Hex(address, 8);
    out.Char(' ');
    out.Hex(address, 8);
    out.Char(' ');
    out.Hex(length, 8);
    out.Char(' ');
    out.Hex(section.space == 0 ? 0 : (address & 0xF00u), 7);
    out.Char(' ');
    out.Decimal(section.space, 5);
    out.Char('\n');
    address = (address + length) & 0x1FFFFu;
}

void WriteObjectTable(CWriter& out, const MapShape& options) {
    // The same seed gives the same names in the command line and in the table.
    CRandom names(options.seed);
    CRandom random(options.seed ^ 0xA5A5A5A5DEADBEEFull);
    std::string name;
    std::uint32_t address = 0x100;
    bool inLibrary = false;
    for (std::uint32_t i = 0; i < options.objects; ++i) {
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
        // Two layouts: the name on a line of its own, or the name then the first record.
        const bool ownLine = random.Chance(50);
        if (ownLine) {
            out.Text(name);
            out.Text("\n\t\t");
        } else {
            out.Text(name);
            out.Text(name.size() < 16 ? "\t" : " ");
        }
        const std::uint32_t count = 1 + random.Below(2 * options.sections - 1);
        for (std::uint32_t s = 0; s < count; ++s) {
            if (s > 0) {
                out.Text("\t\t");
            }
            WriteSectionRecord(out, random, kSections[random.Below(kSectionCount)], address);
        }
    }
    out.Text("\nCOMMON          rbss            8A       8A       16      60     1\n\n");
}

// What follows the end marker: class totals, segments, unused ranges and a symbol table.
void WriteTrailer(CWriter& out, const MapShape& options) {
    CRandom random(options.seed + 7);
    out.Text("TOTAL\t\tName          Link     Load   Length\n\tCLASS\tCODE\n");
    std::uint32_t address = 0x100;
    const std::uint32_t totals = options.objects / 16 + 4;
    for (std::uint32_t i = 0; i < totals; ++i) {
        out.Text("\t\t");
        WriteSectionRecord(out, random, kSections[random.Below(kSectionCount)], address);
    }
    out.Text(
        "\nSEGMENTS        Name                           Load    Length   Top    Selector"
        "   Space  Class\n\n"
        "                reset_vec                      000000  000004  000004         0"
        "       0  CODE\n\nUNUSED ADDRESS RANGES\n\n\tCODE             34AA-7FFF\n"
        "\tRAM              0A0-0FF\n\n\t\t\t\tSymbol Table\n\n");
    for (std::uint32_t i = 0; i < totals; ++i) {
        out.Char('_');
        out.Padded(kStems[random.Below(sizeof(kStems) / sizeof(kStems[0]))], 24);
        out.Padded("text", 8);
        out.Hex(random.Below(0x10000), 6);
        out.Char('\n');
    }
}

// The whole map, in file order.
void WriteMap(CWriter& out, const MapShape& shape) {
    WriteHeader(out, shape);
    WriteCommandLineObjects(out, shape);
    WriteObjectTable(out, shape);
    WriteTrailer(out, shape);
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
