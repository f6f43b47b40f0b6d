#pragma once

#include <string>
#include <string_view>

// The bytes as valid UTF-8: well-formed UTF-8 sequences are kept as they are, and every byte of
// an ill-formed sequence becomes the character of the same value (read as Latin-1), so that a
// folder name written in a single-byte code page still reads sensibly.
std::string ToValidUtf8(std::string_view bytes);

// Appends the bytes as a JSON string literal, quotes included, always valid UTF-8.
void AppendJsonString(std::string& out, std::string_view bytes);
