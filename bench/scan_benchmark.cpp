// Throughput of the token reader, the scan and the complete tally on generated maps, and the
// cost of report rows.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "core/device_profile.h"
#include "core/map_file.h"
#include "map_generator.h"
#include "readers/hlink/object_section_scan.h"
#include "readers/hlink/section_tally.h"
#include "readers/hlink/token_reader.h"
#include "report/size_report.h"

namespace {

// A map of about 8 MB, made once: large enough that the blocks do not stay in the first caches.
const std::string& LargeMap() {
    static const std::string map = GenerateMap(MapShape{20000, 1, 6});
    return map;
}

std::size_t CountTokens(std::string_view map) {
    CMapStream stream(map);
    std::size_t count = 0;
    while (!ReadToken(stream).empty()) {
        ++count;
    }
    return count;
}

void SetThroughput(benchmark::State& state, std::string_view map, std::size_t tokens) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(map.size()));
    state.counters["tokens/s"] =
        benchmark::Counter(static_cast<double>(tokens) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

void BM_ReadTokenFromMemory(benchmark::State& state) {
    const std::string& map = LargeMap();
    const std::size_t tokens = CountTokens(map);
    for (auto _ : state) {
        CMapStream stream(map);
        std::size_t bytes = 0;
        for (std::string_view token = ReadToken(stream); !token.empty();
             token = ReadToken(stream)) {
            bytes += token.size();
        }
        benchmark::DoNotOptimize(bytes);
    }
    SetThroughput(state, map, tokens);
}
BENCHMARK(BM_ReadTokenFromMemory)->Unit(benchmark::kMillisecond);

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// An anonymous temporary file that holds the map; nullptr (and the benchmark skipped) when it
// cannot be written.
std::unique_ptr<std::FILE, FileCloser> FileWith(const std::string& map, benchmark::State& state) {
    std::unique_ptr<std::FILE, FileCloser> file(std::tmpfile());
    if (!file || std::fwrite(map.data(), 1, map.size(), file.get()) != map.size()) {
        state.SkipWithError("cannot write a temporary file");
        return nullptr;
    }
    return file;
}

// Through a file, as tallyfold-report reads: block reads from an anonymous temporary file.
void BM_ReadTokenFromFile(benchmark::State& state) {
    const std::string& map = LargeMap();
    const std::size_t tokens = CountTokens(map);
    const auto file = FileWith(map, state);
    if (!file) {
        return;
    }
    for (auto _ : state) {
        std::rewind(file.get());
        CMapFile mapFile(file.get(), "bench.map");
        CMapStream stream(mapFile);
        std::size_t count = 0;
        while (!ReadToken(stream).empty()) {
            ++count;
        }
        benchmark::DoNotOptimize(count);
    }
    SetThroughput(state, map, tokens);
}
BENCHMARK(BM_ReadTokenFromFile)->Unit(benchmark::kMillisecond);

// The scan over maps whose object files hold few or many section records: the first spends more
// of its time on entries, the second on tokens.
void BM_ScanObjectSection(benchmark::State& state) {
    const std::string map =
        GenerateMap(MapShape{static_cast<std::uint32_t>(8000000 / (state.range(0) * 100 + 90)), 1,
                             static_cast<std::uint32_t>(state.range(0))});
    const std::size_t tokens = CountTokens(map);
    for (auto _ : state) {
        CMapStream stream(map);
        SizeTable table;
        ScanObjectSection(stream, table);
        benchmark::DoNotOptimize(table.rows.data());
    }
    SetThroughput(state, map, tokens);
}
BENCHMARK(BM_ScanObjectSection)->Arg(6)->Arg(100)->Unit(benchmark::kMillisecond);

// The complete tally of an 8 MB map through a FILE*, read and tallied as it streams in, as
// tallyfold-report --sections all does.
void BM_TallySections(benchmark::State& state) {
    const std::string& map = LargeMap();
    const auto file = FileWith(map, state);
    if (!file) {
        return;
    }
    for (auto _ : state) {
        std::rewind(file.get());
        CMapFile mapFile(file.get(), "bench.map");
        benchmark::DoNotOptimize(TallySections(mapFile, TallyDetail::kRows));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(map.size()));
}
BENCHMARK(BM_TallySections)->Unit(benchmark::kMillisecond);

SizeTable MakeTable(std::size_t count) {
    SizeTable table;
    table.rows.reserve(count);
    std::uint32_t value = 12345;
    for (std::size_t i = 0; i < count; ++i) {
        value = value * 1103515245u + 12345u;
        SizeRow& row = table.AddRow("E:\\work\\firmware\\src\\module_" + std::to_string(i) + ".obj",
                                    RowKind::kObject);
        row.rom = static_cast<std::int32_t>(value % 20000u);
        row.ram = static_cast<std::int32_t>((value >> 16) % 600u);
    }
    return table;
}

void BM_BuildReportRows(benchmark::State& state) {
    const SizeTable table = MakeTable(static_cast<std::size_t>(state.range(0)));
    const DeviceProfile device = ProfileOf(kDefaultDevice, {});
    for (auto _ : state) {
        benchmark::DoNotOptimize(BuildReportRows(table, device, false));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_BuildReportRows)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_SortByRomSize(benchmark::State& state) {
    SizeTable table = MakeTable(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        SortByRamSize(table.rows);  // a different order each time, so that the sort has work to do
        SortByRomSize(table.rows);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * 2);
}
BENCHMARK(BM_SortByRomSize)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
