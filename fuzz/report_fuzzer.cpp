// libFuzzer target: tallyfold-report as a whole. The first three bytes of the input choose the
// options (format, section rule, sort key, device, budgets, --diff, standard input or a file),
// the rest is the map, or with --diff the two maps one after the other. Every run must end in
// status 0 to 3, write nothing on status 2, and give the same status, report and messages
// whether the report is kept whole or written to a stream as it is made; without a crash, a
// hang, a leak or undefined behaviour.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "map_check.h"
#include "report_command.h"
#include "report_options.h"

namespace {

void Fail(const std::string& what) {
    std::fprintf(stderr, "report run failed: %s\n", what.c_str());
    std::abort();
}

// The name of a file that holds a map given by path rather than on standard input, during one
// run: written before it, removed after it (libFuzzer may end the process without running
// atexit handlers).
const std::string& MapPath() {
    static const std::string path = [] {
        char name[] = "/tmp/tallyfold-report-fuzz-XXXXXX";
        const int fd = mkstemp(name);
        if (fd < 0) {
            Fail("cannot make a temporary file");
        }
        close(fd);
        std::remove(name);
        return std::string(name);
    }();
    return path;
}

void WriteMapFile(std::string_view bytes) {
    std::FILE* file = std::fopen(MapPath().c_str(), "wb");
    if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        Fail("cannot write the temporary file");
    }
    std::fclose(file);
}

struct Run {
    int status = 0;
    std::string out;
    std::string err;
};

// The report kept whole, or written to a stream as it is made.
Run Report(const std::vector<std::string>& args, std::string_view input, bool streamed) {
    Run run;
    const auto in = OpenBytes(input);
    if (!in) {
        Fail("cannot open standard input's bytes");
    }
    if (!streamed) {
        run.status = RunReportCommand(args, in.get(), run.out, run.err);
        return run;
    }
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    if (out == nullptr) {
        Fail("cannot open a memory stream");
    }
    run.status = RunReportCommand(args, in.get(), out, run.err);
    std::fclose(out);
    run.out.assign(buffer, size);
    std::free(buffer);
    return run;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    const std::uint8_t a = data[0];
    const std::uint8_t b = data[1];
    const std::uint8_t c = data[2];
    const std::string_view map(reinterpret_cast<const char*>(data + 3), size - 3);

    std::vector<std::string> args;
    args.push_back("--format=" + std::string(kFormatChoices[a % kFormatChoices.size()].name));
    args.push_back((a & 0x08) != 0 ? "--sections=all" : "--sections=listed");
    if ((a & 0x10) != 0) {
        args.push_back((a & 0x20) != 0 ? "--sort=ram" : "--sort=rom");
    }
    // The map's own part, its own ranges, a fixed part, and an 18LF part by its twin.
    static const char* const kDevices[] = {"auto", "map", "18F4680", "pic18f458", "18LF4550"};
    args.push_back("--device=" + std::string(kDevices[b % std::size(kDevices)]));
    const std::string budget = (c & 0x40) != 0
                                   ? std::to_string(c * 97) + "B"
                                   : std::to_string(c % 101) + ((c & 0x80) != 0 ? ".5" : "");
    if ((b & 0x04) != 0) {
        args.push_back("--max-rom=" + budget);
    }
    if ((b & 0x08) != 0) {
        args.push_back("--max-ram=" + budget);
    }
    // With --diff, the old map comes from the file and the new one on standard input; c says
    // where the first ends.
    std::string_view input = map;
    if ((b & 0x10) != 0) {
        const std::size_t split = map.size() * c / 255;
        WriteMapFile(map.substr(0, split));
        input = map.substr(split);
        args.push_back("--diff");
        args.push_back(MapPath());
        args.push_back("-");
    } else if ((b & 0x20) != 0) {
        WriteMapFile(map);
        args.push_back(MapPath());
    } else {
        args.push_back("-");
    }

    const Run whole = Report(args, input, false);
    if (whole.status < 0 || whole.status > 3) {
        Fail("exit status " + std::to_string(whole.status));
    }
    if (whole.status == 2 && !whole.out.empty()) {
        Fail("a report although the run failed");
    }
    const Run streamed = Report(args, input, true);
    std::remove(MapPath().c_str());
    if (streamed.status != whole.status || streamed.out != whole.out || streamed.err != whole.err) {
        Fail("the report written as it is made differs from the report kept whole");
    }
    return 0;
}
