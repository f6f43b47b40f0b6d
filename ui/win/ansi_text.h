#pragma once

#include <windows.h>

#include <string>

// Map contents are single-byte text, shown in the ANSI code page as the list shows them; what
// is typed to find a row is compared in it. Paths are wide, and UTF-8 where the core opens them.

std::wstring WidenAnsi(const std::string& text);

// `text` is NUL-terminated; characters the code page lacks become its default character.
std::string NarrowAnsi(const wchar_t* text);

std::string Utf8FromWide(const std::wstring& text);
