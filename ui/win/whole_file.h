#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// Writes the bytes to the file at `path`, whole or not at all: into a file of its own beside it
// first, which then takes the place of any file of that name. Returns an empty string, or the
// system's words for what went wrong.
std::wstring WriteWholeFile(const std::wstring& path, std::string_view bytes);

// The system's words for an error code ("Access is denied."), without the line break after them.
std::wstring SystemErrorText(DWORD error);
