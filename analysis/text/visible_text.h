#pragma once

// Text as it may be shown in a report cell or an error message: control bytes, which would break a
// line or a tab-separated row or reach a terminal raw, in caret notation.

#include <string>
#include <string_view>

// The control bytes: 0x00-0x1F and DEL.
inline bool IsControlByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

// The name with its control bytes in caret notation ("^I" for a tab, "^[" for ESC, "^?" for
// DEL); every other byte stays. Assigned to `cell`, whose memory is reused.
void AssignVisibleName(std::string& cell, std::string_view name);
