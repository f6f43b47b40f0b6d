// libFuzzer target: every input must read, scan and report the same way through every kind of
// stream and block size, without a crash, a hang, a leak or undefined behaviour.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "map_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string difference =
        CheckMapReading(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!difference.empty()) {
        std::fprintf(stderr, "map reading differs: %s\n", difference.c_str());
        std::abort();
    }
    return 0;
}
