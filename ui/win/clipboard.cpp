#include "win/clipboard.h"

#include <cstring>

std::wstring PutTextOnClipboard(HWND owner, const std::wstring& text) {
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    void* target = memory != nullptr ? GlobalLock(memory) : nullptr;
    if (target == nullptr) {
        if (memory != nullptr) {
            GlobalFree(memory);
        }
        return L"there is not enough memory.";
    }
    std::memcpy(target, text.c_str(), bytes);
    GlobalUnlock(memory);

    // Another program may hold the clipboard for a moment.
    bool opened = false;
    for (int attempt = 0; attempt < 10 && !opened; ++attempt) {
        opened = OpenClipboard(owner) != FALSE;
        if (!opened) {
            Sleep(20);
        }
    }
    if (!opened) {
        GlobalFree(memory);
        return L"another program is using the clipboard.";
    }
    EmptyClipboard();
    const bool placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    if (!placed) {
        GlobalFree(memory);  // still ours when the clipboard did not take it
        return L"the clipboard did not take it.";
    }
    return {};
}
