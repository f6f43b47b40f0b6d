#pragma once

#include <string>
#include <string_view>

// Appends the bytes as a JSON string literal, quotes included, always valid UTF-8.
void AppendJsonString(std::string& out, std::string_view bytes);
