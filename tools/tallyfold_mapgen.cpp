// tallyfold-mapgen: writes a large, realistic link map for benchmarks and stress tests.

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "map_generator.h"

namespace {

constexpr const char* kUsage =
    "usage: tallyfold-mapgen [--objects N] [--seed S] [--sections N] [--output FILE]\n"
    "Writes a link map with N object files (default 1000), each with about N section records\n"
    "(default 6), to FILE or standard output. The same N and S always give the same map.\n";

struct Options : MapShape {
    const char* output = nullptr;
};

bool ParseNumber(const char* text, std::uint64_t limit, std::uint64_t& value) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long parsed = std::strtoull(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || text[0] == '-' || parsed > limit) {
        return false;
    }
    value = parsed;
    return true;
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        }
        if (i + 1 >= argc) {
            return false;
        }
        std::uint64_t value = 0;
        const char* text = argv[++i];
        if (arg == "--objects" && ParseNumber(text, 100000000, value)) {
            options.objects = static_cast<std::uint32_t>(value);
        } else if (arg == "--seed" && ParseNumber(text, UINT64_MAX, value)) {
            options.seed = value;
        } else if (arg == "--sections" && ParseNumber(text, 100000, value) && value > 0) {
            options.sections = static_cast<std::uint32_t>(value);
        } else if (arg == "--output") {
            options.output = text;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::FILE* file = stdout;
    if (options.output != nullptr) {
        file = std::fopen(options.output, "wb");
        if (file == nullptr) {
            std::fprintf(stderr, "tallyfold-mapgen: %s: cannot open: %s\n", options.output,
                         std::strerror(errno));
            return 2;
        }
    }
    bool ok = WriteGeneratedMap(options, file);
    ok = std::fflush(file) == 0 && ok;
    if (file != stdout) {
        ok = std::fclose(file) == 0 && ok;
    }
    if (!ok) {
        std::fputs("tallyfold-mapgen: cannot write the map\n", stderr);
        return 2;
    }
    return 0;
}
