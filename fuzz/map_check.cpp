#include "map_check.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "core/device_profile.h"
#include "core/map_error.h"
#include "core/map_file.h"
#include "readers/hlink/object_section_scan.h"
#include "readers/hlink/token_reader.h"
#include "report/size_report.h"
#include "text/words.h"

namespace {

struct Token {
    std::string text;
    long line;
};

// One byte at a time, as simply as it can be written (a byte-order mark starts no token).
std::vector<Token> ReferenceTokens(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
    }
    std::vector<Token> tokens;
    long line = 1;
    std::string current;
    long currentLine = 0;
    for (char c : bytes) {
        if (IsTokenByte(static_cast<unsigned char>(c))) {
            if (current.empty()) {
                currentLine = line;
            }
            current += c;
            continue;
        }
        if (!current.empty()) {
            tokens.push_back({current, currentLine});
            current.clear();
        }
        if (c == '\n') {
            ++line;
        }
    }
    if (!current.empty()) {
        tokens.push_back({current, currentLine});
    }
    return tokens;
}

struct Entry {
    std::string name;
    std::uint32_t rom = 0;
    std::uint32_t ram = 0;
};

struct ScanResult {
    std::vector<Entry> entries;
    std::optional<std::string> error;  // what() of the MapError
};

bool IsCounted(const std::string& token) {
    static const std::array<const char*, 27> kNames = {
        "powerup", "irdata",      "ibigdata",  "bigdata",      "text",     "intcode", "config",
        "idloc",   "eeprom_data", "intcodelo", "init",         "end_init", "clrtext", "rbss",
        "bigbss",  "farbss",      "bss",       "rdata",        "data",     "nvrram",  "nvbit",
        "nvram",   "rbit",        "struct",    "intsave_regs", "temp",     "const"};
    for (const char* name : kNames) {
        if (token == name) {
            return true;
        }
    }
    return false;
}

std::int32_t ReferenceAtoi(const std::string& text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i++] == '-';
    }
    std::uint32_t value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value * 10u + static_cast<std::uint32_t>(text[i++] - '0');
    }
    return static_cast<std::int32_t>(negative ? 0u - value : value);
}

ScanResult ReferenceScan(const std::vector<Token>& tokens, const std::string& name) {
    ScanResult result;
    std::size_t i = 0;
    const std::size_t n = tokens.size();
    Entry* current = nullptr;
    while (i < n) {
        const std::string& token = tokens[i++].text;
        if (token == "COMMON" || token == "TOTAL") {
            break;
        }
        if (token.size() >= 4 && token.compare(token.size() - 4, 4, ".obj") == 0) {
            result.entries.push_back({token});
            current = &result.entries.back();
            continue;
        }
        if (!IsCounted(token)) {
            continue;
        }
        if (i + 3 > n) {
            break;
        }
        const Token& lengthToken = tokens[i + 2];
        i += 3;
        std::uint32_t length = 0;
        for (char c : lengthToken.text) {
            const bool digit = c >= '0' && c <= '9';
            const bool letter = c >= 'A' && c <= 'F';
            if (!digit && !letter) {
                std::string shown = lengthToken.text.substr(0, 40);
                if (lengthToken.text.size() > 40) {
                    shown += "...";
                }
                result.error = name + ":" + std::to_string(lengthToken.line) +
                               ": section length '" + shown + "' is not upper-case hexadecimal";
                result.entries.clear();
                return result;
            }
            length = length * 16u + static_cast<std::uint32_t>(digit ? c - '0' : c - 'A' + 10);
        }
        if (length == 0) {
            continue;
        }
        if (i + 2 > n) {
            break;
        }
        const std::int32_t space = ReferenceAtoi(tokens[i + 1].text);
        i += 2;
        if (current != nullptr) {
            (space == 0 ? current->rom : current->ram) += length;
        }
    }
    return result;
}

// Compares the tokens and lines of one way of reading with the reference.
std::string CompareTokens(CMapStream& stream, const std::vector<Token>& expected,
                          const std::string& how) {
    for (std::size_t i = 0;; ++i) {
        const std::string_view token = ReadToken(stream);
        if (i == expected.size()) {
            if (!token.empty()) {
                return how + ": a token after the last one";
            }
            return "";
        }
        if (token != expected[i].text) {
            return how + ": token " + std::to_string(i) + " differs";
        }
        if (stream.Line() != expected[i].line) {
            return how + ": line of token " + std::to_string(i) + " is " +
                   std::to_string(stream.Line()) + ", not " + std::to_string(expected[i].line);
        }
    }
}

ScanResult Scan(CMapStream& stream, EmptyRows empty = EmptyRows::kKeep) {
    ScanResult result;
    SizeTable table;
    table.AddRow("kept.obj", RowKind::kObject);  // must survive an error untouched
    try {
        ScanObjectSection(stream, table, empty);
    } catch (const MapError& error) {
        result.error = error.what();
    }
    if (table.rows.empty() || table.rows.front().name != "kept.obj") {
        result.error = "the rows the caller had were changed";
        return result;
    }
    if (result.error && table.rows.size() != 1) {
        result.error = "rows were added although the scan failed";
    }
    for (std::size_t i = 1; i < table.rows.size(); ++i) {
        const SizeRow& row = table.rows[i];
        result.entries.push_back({std::string(row.name), static_cast<std::uint32_t>(row.rom),
                                  static_cast<std::uint32_t>(row.ram)});
    }
    // The report for every fixed device and both orderings must hold together.
    table.rows.erase(table.rows.begin());
    for (ColumnOrdering ordering : {ColumnOrdering::kByRamSize, ColumnOrdering::kByRomSize}) {
        ApplyOrdering(table.rows, ordering);
        for (std::size_t i = 1; i < table.rows.size(); ++i) {
            const bool byRom = ordering == ColumnOrdering::kByRomSize;
            const SizeRow& before = table.rows[i - 1];
            const SizeRow& after = table.rows[i];
            if ((byRom ? before.rom : before.ram) < (byRom ? after.rom : after.ram)) {
                throw std::logic_error("rows are not in order after a sort");
            }
        }
        for (const DeviceChoice& choice : kDeviceChoices) {
            const ReportTable report =
                BuildReportRows(table, ProfileOf(choice, table.facts), false);
            if (report.rows.size() < 2 || report.rows.back().cells[0] != kTotalRowLabel) {
                throw std::logic_error("the report does not end with the total row");
            }
        }
    }
    return result;
}

std::string CompareScan(const ScanResult& actual, const ScanResult& expected,
                        const std::string& how) {
    if (actual.error != expected.error) {
        return how + ": error '" + actual.error.value_or("none") + "', expected '" +
               expected.error.value_or("none") + "'";
    }
    if (actual.entries.size() != expected.entries.size()) {
        return how + ": " + std::to_string(actual.entries.size()) + " entries, expected " +
               std::to_string(expected.entries.size());
    }
    for (std::size_t i = 0; i < actual.entries.size(); ++i) {
        const Entry& a = actual.entries[i];
        const Entry& e = expected.entries[i];
        if (a.name != e.name || a.rom != e.rom || a.ram != e.ram) {
            return how + ": entry " + std::to_string(i) + " differs";
        }
    }
    return "";
}

}  // namespace

// Where the C library can, in memory: fast enough for the fuzzer.
std::unique_ptr<std::FILE, FileCloser> OpenBytes(std::string_view bytes) {
#if defined(__GLIBC__)
    if (!bytes.empty()) {
        return std::unique_ptr<std::FILE, FileCloser>(
            fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "rb"));
    }
#endif
    std::unique_ptr<std::FILE, FileCloser> file(std::tmpfile());
    if (file && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size()) {
        std::rewind(file.get());
        return file;
    }
    return nullptr;
}

std::string CheckMapReading(std::string_view bytes) {
    const std::vector<Token> tokens = ReferenceTokens(bytes);
    const std::string name = "fuzz.map";
    const ScanResult expected = ReferenceScan(tokens, name);

    // Tiny blocks move every token across block boundaries; the size comes from the input so
    // that the fuzzer explores them all.
    const std::size_t smallBlock =
        bytes.empty() ? 1u : 1u + static_cast<unsigned char>(bytes[0]) % 70u;
    for (std::size_t blockSize : {CMapStream::kBlockSize, smallBlock}) {
        const std::string how = "block size " + std::to_string(blockSize);
        {
            CMapStream stream(bytes, name, blockSize);
            std::string difference = CompareTokens(stream, tokens, "memory, " + how);
            if (!difference.empty()) {
                return difference;
            }
        }
        {
            CMapStream stream(bytes, name, blockSize);
            std::string difference = CompareScan(Scan(stream), expected, "memory scan, " + how);
            if (!difference.empty()) {
                return difference;
            }
        }
        std::unique_ptr<std::FILE, FileCloser> file = OpenBytes(bytes);
        if (!file) {
            return "cannot open the bytes as a file";
        }
        {
            CMapFile mapFile(file.get(), name);
            CMapStream stream(mapFile, {}, blockSize);
            std::string difference = CompareTokens(stream, tokens, "file, " + how);
            if (!difference.empty()) {
                return difference;
            }
        }
        std::rewind(file.get());
        {
            CMapFile mapFile(file.get(), name);
            CMapStream stream(mapFile, {}, blockSize);
            std::string difference = CompareScan(Scan(stream), expected, "file scan, " + how);
            if (!difference.empty()) {
                return difference;
            }
        }
    }
    // Leaving out the rows that add up to nothing leaves the others as they were.
    ScanResult counted = expected;
    counted.entries.erase(std::remove_if(counted.entries.begin(), counted.entries.end(),
                                         [](const Entry& e) { return e.rom == 0 && e.ram == 0; }),
                          counted.entries.end());
    CMapStream stream(bytes, name);
    return CompareScan(Scan(stream, EmptyRows::kLeaveOut), counted, "scan without empty rows");
}
