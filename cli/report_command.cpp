#include "report_command.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>

#include "map_error.h"
#include "map_lines.h"
#include "object_section_scan.h"
#include "report_options.h"
#include "report_writer.h"
#include "section_tally.h"

#ifndef TALLYFOLD_VERSION
#define TALLYFOLD_VERSION "unknown"
#endif

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Maps are read in binary mode so that every platform sees the same bytes (a text-mode read
// on Windows would stop at a 0x1A byte).
EntryList ReadMap(const std::string& path, std::FILE* in) {
    EntryList entries;
    if (path == "-") {
        CMapStream stream(in, "<stdin>");
        ScanObjectSection(stream, entries);
        return entries;
    }
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        throw MapError(path, 0, std::string("cannot open: ") + std::strerror(errno));
    }
    CMapStream stream(file.get(), path);
    ScanObjectSection(stream, entries);
    return entries;
}

std::string StreamName(const std::string& path) {
    return path == "-" ? "<stdin>" : path;
}

void ReadAll(std::FILE* file, const std::string& name, std::string& bytes) {
    char block[64 * 1024];
    for (;;) {
        errno = 0;
        const std::size_t count = std::fread(block, 1, sizeof block, file);
        bytes.append(block, count);
        if (count < sizeof block) {
            break;
        }
    }
    if (std::ferror(file)) {
        const int error = errno;
        throw MapError(name, 0,
                       std::string("read error: ") +
                           (error != 0 ? std::strerror(error) : "the file could not be read"));
    }
}

// The line-by-line reading needs the whole map at hand (and standard input can be read once).
std::string ReadWholeMap(const std::string& path, std::FILE* in) {
    std::string bytes;
    if (path == "-") {
        ReadAll(in, StreamName(path), bytes);
        return bytes;
    }
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        throw MapError(path, 0, std::string("cannot open: ") + std::strerror(errno));
    }
    ReadAll(file.get(), path, bytes);
    return bytes;
}

std::int32_t ClampToInt32(std::uint64_t value) {
    return static_cast<std::int32_t>(
        std::min<std::uint64_t>(value, std::numeric_limits<std::int32_t>::max()));
}

// The listed sections against the capacities of the map's own class ranges.
int RunListedWithMapDevice(const ReportOptions& options, std::FILE* in, std::string& out) {
    const std::string name = StreamName(options.mapPath);
    const std::string bytes = ReadWholeMap(options.mapPath, in);
    const MapListing preamble = ReadMapListing(bytes, name, ListingScope::kPreamble);
    const MapCapacity capacity = CapacityFromClassRanges(preamble);
    const DeviceProfile device{preamble.machineType, ClampToInt32(capacity.rom),
                               ClampToInt32(capacity.ram)};
    EntryList entries;
    CMapStream stream(bytes, name);
    ScanObjectSection(stream, entries);
    ApplyOrdering(entries, options.sort);
    const std::vector<ReportRow> rows = BuildReportRows(entries, device);
    if (options.format == OutputFormat::kTsv) {
        out = FormatTsv(rows);
    } else {
        out = FormatMapDeviceHeading(preamble.machineType, device.romCapacity, device.ramCapacity) +
              FormatTable(rows);
    }
    return kExitSuccess;
}

// Every section of the map, with the reconciliation against the map's own totals.
int RunAllSections(const ReportOptions& options, std::FILE* in, std::string& out,
                   std::string& err) {
    const std::string bytes = ReadWholeMap(options.mapPath, in);
    const MapListing listing = ReadMapListing(bytes, StreamName(options.mapPath));
    SectionTally tally = TallySections(listing);
    if (options.sort == ColumnOrdering::kByRamSize) {
        SortTallyRowsByRam(tally.rows);
    } else {
        SortTallyRowsByRom(tally.rows);
    }
    std::int64_t romCapacity = options.device->romCapacity;
    std::int64_t ramCapacity = options.device->ramCapacity;
    if (options.deviceFromMap) {
        const MapCapacity capacity = CapacityFromClassRanges(listing);
        romCapacity = static_cast<std::int64_t>(capacity.rom);
        ramCapacity = static_cast<std::int64_t>(capacity.ram);
    }
    const std::vector<TallyReportRow> rows =
        BuildTallyReportRows(tally.rows, romCapacity, ramCapacity);
    if (options.format == OutputFormat::kTsv) {
        out = FormatTsv(rows);
    } else {
        if (options.deviceFromMap) {
            out = FormatMapDeviceHeading(listing.machineType, romCapacity, ramCapacity);
        }
        out += FormatTable(rows);
        out += '\n';
        out += FormatReconciliation(tally);
    }
    err = FormatDisagreementWarnings(tally);
    return err.empty() ? kExitSuccess : kExitDisagreement;
}

}  // namespace

int RunReportCommand(const std::vector<std::string>& args, std::FILE* in, std::string& out,
                     std::string& err) {
    try {
        const ReportOptions options = ParseReportOptions(args);
        if (options.showHelp) {
            out = kReportUsage;
            return kExitSuccess;
        }
        if (options.showVersion) {
            out = "tallyfold-report " TALLYFOLD_VERSION "\n";
            return kExitSuccess;
        }
        if (options.sections == SectionRule::kAll) {
            return RunAllSections(options, in, out, err);
        }
        if (options.deviceFromMap) {
            return RunListedWithMapDevice(options, in, out);
        }
        EntryList entries = ReadMap(options.mapPath, in);
        ApplyOrdering(entries, options.sort);
        const std::vector<ReportRow> rows = BuildReportRows(entries, *options.device);
        out = options.format == OutputFormat::kTsv ? FormatTsv(rows) : FormatTable(rows);
        return kExitSuccess;
    } catch (const UsageError& error) {
        err = std::string("tallyfold-report: ") + error.what() + " (see --help)\n";
    } catch (const MapError& error) {
        err = std::string("tallyfold-report: ") + error.what() + "\n";
    } catch (const std::bad_alloc&) {
        err = "tallyfold-report: out of memory\n";
    }
    out.clear();
    return kExitUsageOrMapError;
}
