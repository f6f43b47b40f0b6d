#pragma once

// Helpers that several test files share: running tallyfold-report in-process, reading golden
// files, and making entries with given sizes.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "report_command.h"
#include "core/size_table.h"

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

// Runs the command with `input` as standard input.
inline Result RunWithInput(const std::vector<std::string>& args, const std::string& input) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::tmpfile(), &std::fclose);
    EXPECT_NE(in, nullptr);
    if (in == nullptr) {
        return {};
    }
    std::fwrite(input.data(), 1, input.size(), in.get());
    std::rewind(in.get());
    return RunReport(args, in.get());
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
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
