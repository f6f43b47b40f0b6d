#include "object_section_scan.h"

#include <array>
#include <string>

#include "map_error.h"

namespace {

constexpr std::array<std::string_view, 27> kCountedSections = {
    "powerup", "irdata",      "ibigdata",  "bigdata",      "text",     "intcode", "config",
    "idloc",   "eeprom_data", "intcodelo", "init",         "end_init", "clrtext", "rbss",
    "bigbss",  "farbss",      "bss",       "rdata",        "data",     "nvrram",  "nvbit",
    "nvram",   "rbit",        "struct",    "intsave_regs", "temp",     "const"};

// Long or binary tokens are shortened so that an error message stays one readable line.
std::string Quote(std::string_view token) {
    constexpr std::size_t kShown = 40;
    std::string text = "'";
    text.append(token.substr(0, kShown));
    if (token.size() > kShown) {
        text += "...";
    }
    text += "'";
    return text;
}

}  // namespace

bool IsObjectFileName(std::string_view token) {
    const std::size_t n = token.size();
    return n >= 4 && token[n - 1] == 'j' && token[n - 2] == 'b' && token[n - 3] == 'o' &&
           token[n - 4] == '.';
}

bool IsCountedSection(std::string_view token) {
    // All names are 3 to 12 bytes long; most tokens of a map are not, or fail on the first byte.
    if (token.size() < 3 || token.size() > 12) {
        return false;
    }
    for (std::string_view name : kCountedSections) {
        if (name == token) {
            return true;
        }
    }
    return false;
}

bool IsEndMarker(std::string_view token) {
    return token == "COMMON" || token == "TOTAL";
}

void ScanObjectSection(CMapStream& stream, EntryList& entries) {
    EntryList found;
    CObjectFileEntry* current = nullptr;
    for (;;) {
        const std::string_view token = ReadToken(stream);
        if (token.empty() || IsEndMarker(token)) {
            break;
        }
        if (IsObjectFileName(token)) {
            auto entry = std::make_unique<CObjectFileEntry>();
            entry->SetName(std::string(token));
            current = entry.get();
            found.push_back(std::move(entry));
            continue;  // no object-file name is also a section name
        }
        if (!IsCountedSection(token)) {
            continue;
        }

        // Section record: two unused tokens, the length, then (for a non-zero length) one
        // unused token and the space number. A record cut off by the end of input adds nothing.
        if (ReadToken(stream).empty() || ReadToken(stream).empty()) {
            break;
        }
        const std::string_view lengthText = ReadToken(stream);
        if (lengthText.empty()) {
            break;
        }
        if (!IsHexText(lengthText)) {
            throw MapError(
                stream.Name(), stream.Line(),
                "section length " + Quote(lengthText) + " is not upper-case hexadecimal");
        }
        const std::int32_t length = HexToInt(lengthText);
        if (length == 0) {
            continue;
        }
        if (ReadToken(stream).empty()) {
            break;
        }
        const std::string_view spaceText = ReadToken(stream);
        if (spaceText.empty()) {
            break;
        }
        if (current != nullptr) {
            current->m_space = DecimalToInt(spaceText);
            current->AddSize(length, current->m_space);
        }
    }
    entries.reserve(entries.size() + found.size());
    for (auto& entry : found) {
        entries.push_back(std::move(entry));
    }
}
