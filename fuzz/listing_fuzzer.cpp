// libFuzzer target: the line reader and the complete tally. Every input must read and tally the
// same way from memory and from a file as it streams in, whole and up to the section table, and
// the tally must add up, without a crash, a hang, a leak or undefined behaviour.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "listing_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string difference =
        CheckListingReading(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!difference.empty()) {
        std::fprintf(stderr, "map listing differs: %s\n", difference.c_str());
        std::abort();
    }
    return 0;
}
