#pragma once

// Text as an HTML page shows it.

#include <cstdint>
#include <string>
#include <string_view>

// Text as HTML: valid UTF-8 as the JSON output makes it, control characters shown as their
// pictures (U+2400 on), and every character that means something in markup escaped.
std::string Html(std::string_view bytes);

// A change with its sign: "+12", "-3", "0".
std::string Signed(std::int64_t value);

// A path's last part: what tells the objects apart at a glance.
std::string_view ShortName(std::string_view name);
