#include "core/register_note.h"

std::string RegistersLeftOutNote(std::uint64_t bytes, std::string_view source) {
    return "Registers left out: " + std::to_string(bytes) + " bytes (" + std::string(source) + ")";
}
