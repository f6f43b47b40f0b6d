#pragma once

// Helpers that several test files share: running tallyfold-report in-process, reading files,
// and making tables, check results and report documents.

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/device_profile.h"
#include "core/map_error.h"
#include "core/size_table.h"
#include "readers/map_reader.h"
#include "readers/mplink/mplink_reader.h"
#include "report/report_formats.h"
#include "report_command.h"
#include "text/utf8.h"

inline const std::string kExamples = TALLYFOLD_EXAMPLES_DIR;
inline const std::string kGolden = TALLYFOLD_GOLDEN_DIR;

struct Result {
    int status;
    std::string out;
    std::string err;
};

inline Result RunReport(const std::vector<std::string>& args, std::FILE* in = stdin) {
    Result result;
    result.status = RunReportCommand(args, in, result.out, result.err);
    return result;
}

// The text saved as UTF-16 of that byte order, with or without a byte-order mark, as some Windows
// editors save a map. A byte of no UTF-8 character becomes U+FFFD.
inline std::string SavedAsUtf16(const std::string& text, bool bigEndian, bool mark) {
    std::u16string units = Utf16FromUtf8(text);
    if (mark) {
        units.insert(units.begin(), char16_t{0xFEFF});
    }
    std::string bytes;
    for (const char16_t unit : units) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

using TempFile = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// A temporary file that holds `bytes`, to be read from its start; gone when closed.
inline TempFile TempFileWith(const std::string& bytes) {
    TempFile file(std::tmpfile(), &std::fclose);
    EXPECT_NE(file, nullptr);
    if (file != nullptr) {
        std::fwrite(bytes.data(), 1, bytes.size(), file.get());
        std::rewind(file.get());
    }
    return file;
}

// An environment variable set (or, with a null value, unset) for the life of the object, then put
// back as it was. On Windows an empty value unsets the variable.
class CScopedEnv {
public:
    CScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
            m_hadOld = true;
        }
        Set(value);
    }
    ~CScopedEnv() { Set(m_hadOld ? m_old.c_str() : nullptr); }
    CScopedEnv(const CScopedEnv&) = delete;
    CScopedEnv& operator=(const CScopedEnv&) = delete;

private:
    void Set(const char* value) {
#ifdef _WIN32
        _putenv_s(m_name.c_str(), value != nullptr ? value : "");
#else
        if (value != nullptr) {
            setenv(m_name.c_str(), value, 1);
        } else {
            unsetenv(m_name.c_str());
        }
#endif
    }

    std::string m_name;
    std::string m_old;
    bool m_hadOld = false;
};

// Runs the command with `input` as standard input.
inline Result RunWithInput(const std::vector<std::string>& args, const std::string& input) {
    const TempFile in = TempFileWith(input);
    return in != nullptr ? RunReport(args, in.get()) : Result{};
}

// The file's bytes; empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// How many times `what` occurs in the text, overlapping or not.
inline std::size_t CountOf(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

// Expects `read` to fail with a MapError of that file, line and detail.
template <typename Read>
void ExpectMapError(const Read& read, const std::string& file, long line,
                    const std::string& detail) {
    try {
        read();
        ADD_FAILURE() << "no error";
    } catch (const MapError& error) {
        EXPECT_EQ(error.File(), file);
        EXPECT_EQ(error.Line(), line);
        EXPECT_EQ(error.Detail(), detail);
    }
}

struct ExampleMap {
    std::string name;  // the file name, such as "blinky.map"
    std::string bytes;
};

// The .map files of examples/, with their bytes.
inline std::vector<ExampleMap> ExampleMaps() {
    std::vector<ExampleMap> maps;
    for (const auto& entry : std::filesystem::directory_iterator(kExamples)) {
        if (entry.path().extension() == ".map") {
            maps.push_back({entry.path().filename().string(), ReadFile(entry.path())});
        }
    }
    return maps;
}

// The example maps with a per-object section table counted by every section: those the section
// tally, the checks of the table and the program's views read.
inline std::vector<ExampleMap> TalliedExampleMaps() {
    std::vector<ExampleMap> maps;
    for (ExampleMap& map : ExampleMaps()) {
        if (OffersOf(map.bytes).calledFor == SectionRule::kAll && !IsMplinkMap(map.bytes)) {
            maps.push_back(std::move(map));
        }
    }
    return maps;
}

// The arguments with "@name" standing for examples/name.
inline std::vector<std::string> WithExamples(const std::vector<std::string>& args) {
    std::vector<std::string> paths;
    for (const std::string& arg : args) {
        paths.push_back(arg[0] == '@' ? kExamples + "/" + arg.substr(1) : arg);
    }
    return paths;
}

// The text with the examples folder written as "examples", so that goldens hold no checkout path.
inline std::string Relative(std::string text) {
    for (std::size_t at = text.find(kExamples); at != std::string::npos;
         at = text.find(kExamples, at)) {
        text.replace(at, kExamples.size(), "examples");
    }
    return text;
}

// Expects `actual` to equal the golden file (a path under tests/golden). With
// TALLYFOLD_UPDATE_GOLDENS set, the file is written from `actual` first: review the diff.
inline void ExpectGolden(const std::string& actual, const std::string& golden) {
    const std::string path = kGolden + "/" + golden;
    if (std::getenv("TALLYFOLD_UPDATE_GOLDENS") != nullptr) {
        std::ofstream(path, std::ios::binary) << actual;
    }
    EXPECT_EQ(actual, ReadFile(path)) << golden;
}

struct GoldenRun {
    std::vector<std::string> args;  // "@name" stands for examples/name
    std::string golden;             // a path under tests/golden
};

// Runs the report of each case with `options` in front: it succeeds, says nothing on standard
// error, and prints the golden file (example paths written relative).
inline void ExpectGoldenRuns(const std::vector<std::string>& options,
                             const std::vector<GoldenRun>& runs) {
    for (const GoldenRun& run : runs) {
        SCOPED_TRACE(run.golden);
        std::vector<std::string> args = options;
        for (const std::string& arg : WithExamples(run.args)) {
            args.push_back(arg);
        }
        const Result result = RunReport(args);
        EXPECT_EQ(result.status, kExitSuccess);
        EXPECT_EQ(result.err, "");
        ExpectGolden(Relative(result.out), run.golden);
    }
}

struct Sizes {
    const char* name;
    std::int64_t rom;
    std::int64_t ram;
    std::int64_t other = 0;
};

// A table of object rows with these sizes, counted by `rule`.
inline SizeTable MakeTable(const std::vector<Sizes>& sizes,
                           SectionRule rule = SectionRule::kListed) {
    SizeTable table;
    table.rule = rule;
    for (const Sizes& s : sizes) {
        SizeRow& row = table.AddRow(s.name, RowKind::kObject);
        row.rom = s.rom;
        row.ram = s.ram;
        row.other = s.other;
    }
    return table;
}

// The two parts the report has always offered, with their capacities.
inline const DeviceProfile kDevice18F4680 = ProfileOf(kDeviceChoices[0], {});
inline const DeviceProfile kDevice18F458 = ProfileOf(kDeviceChoices[1], {});

// The device choice that takes the map's own capacities (--device map, Device > From Map).
inline const DeviceChoice& MapDevice() {
    for (const DeviceChoice& choice : kDeviceChoices) {
        if (choice.fromMap) {
            return choice;
        }
    }
    ADD_FAILURE() << "no device choice takes the map's own";
    return kDeviceChoices.front();
}

// A check's result as a reader gives it: whether it could be made and whether the report agrees,
// with the map's and the report's figures. Its JSON field is its label in lower case with
// underscores ("TOTAL section": "total_section").
inline MapCheck MakeCheck(const std::string& label, bool possible, bool agrees,
                          MemoryTotals map = {}, MemoryTotals report = {}) {
    MapCheck check;
    check.label = label;
    for (const char c : label) {
        check.field +=
            c == ' ' ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    check.possible = possible;
    check.agrees = agrees;
    check.map = map;
    check.report = report;
    return check;
}

// Every row is the sum of its parts, every part belongs to a row, and a row's kind is what its
// name says.
inline void ExpectRowsAreTheirParts(const SizeTable& table) {
    std::vector<MemoryTotals> sums(table.rows.size());
    for (const SizePart& part : table.parts) {
        ASSERT_LT(part.rowId, table.rows.size());
        EXPECT_GT(part.bytes, 0);
        AddBytes(sums[part.rowId], part.memory, part.bytes);
    }
    for (std::size_t i = 0; i < table.rows.size(); ++i) {
        const SizeRow& row = table.rows[i];
        EXPECT_EQ(row.id, i);
        EXPECT_EQ(sums[i], (MemoryTotals{row.rom, row.ram, row.other})) << row.name;
        EXPECT_EQ(row.kind, row.name.front() == '<' ? RowKind::kSpecial : RowKind::kObject);
    }
}

// Expects every one of the map's checks to be possible and to agree.
inline void ExpectAllChecksAgree(const SizeTable& table, std::size_t checks) {
    EXPECT_EQ(table.facts.checks.size(), checks);
    for (const MapCheck& check : table.facts.checks) {
        SCOPED_TRACE(check.label);
        EXPECT_TRUE(check.possible) << check.reason;
        EXPECT_TRUE(check.agrees) << check.detail;
    }
}

// The rows of a table that is held whole, as a report document takes them.
inline RowSource RowsOf(const ReportTable& table) {
    return [&table](const RowVisitor& visit) {
        for (const TableRow& held : table.rows) {
            TableRow row = held;
            visit(row);
        }
    };
}
