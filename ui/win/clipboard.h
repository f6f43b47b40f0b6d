#pragma once

#include <windows.h>

#include <string>

// Puts the text on the clipboard as Unicode text, for `owner`. Returns an empty string, or why
// it could not ("another program is using the clipboard."), to be shown to the user.
std::wstring PutTextOnClipboard(HWND owner, const std::wstring& text);
