#pragma once

// The note of a report that leaves data sections in the special function registers out of RAM,
// worded alike for every family of maps.

#include <cstdint>
#include <string>
#include <string_view>

// "Registers left out: 12 bytes (the map's SFR classes)": how many bytes, and where the
// registers' addresses come from.
std::string RegistersLeftOutNote(std::uint64_t bytes, std::string_view source);
