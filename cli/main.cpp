#include <cstdio>
#include <string>
#include <vector>

#include "report_command.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

int RunMain(const std::vector<std::string>& args) {
#ifdef _WIN32
    // The same bytes in and out on every platform: no CR LF translation, no stop at 0x1A.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
#ifdef __GLIBC__
    // Large blocks (the row list as it grows, the sort's arrays) from the heap rather than fresh
    // mappings, and kept once freed: the next one reuses their pages instead of faulting in new
    // ones.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
    std::string err;
    const int status = RunReportCommand(args, stdin, stdout, err);
    std::fwrite(err.data(), 1, err.size(), stderr);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fputs("tallyfold-report: cannot write the report\n", stderr);
        return 2;
    }
    return status;
}

}  // namespace

#ifdef _WIN32
// The arguments in UTF-8, taken from the wide-character command line: the narrow one would lose
// every character outside the ANSI code page, and with it a path such as "Ωμέγα 日本\app.map".
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const int length =
            WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string arg(static_cast<std::size_t>(length > 0 ? length : 1), '\0');
        WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, arg.data(), length, nullptr, nullptr);
        arg.resize(arg.size() - 1);  // the terminating zero
        args.push_back(std::move(arg));
    }
    return RunMain(args);
}
#else
int main(int argc, char** argv) {
    return RunMain(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
}
#endif
