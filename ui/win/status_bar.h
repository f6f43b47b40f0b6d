#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A status bar of parts, each a text and possibly an icon, with a tooltip of its own over the
// whole bar that shows the full line however narrow the parts are.
class CStatusBar {
public:
    CStatusBar() = default;
    CStatusBar(const CStatusBar&) = delete;
    CStatusBar& operator=(const CStatusBar&) = delete;

    // Makes the bar a child of `parent` with that id; false when it cannot be made.
    bool Create(HWND parent, int id);
    HWND GetSafeHwnd() const { return m_hWnd; }

    void SetFont(HFONT font, bool redraw);
    // The width of the text in the bar's font.
    int TextWidth(const std::wstring& text) const;
    // Replaces the parts: their texts and right edges (the last part reaches the bar's end).
    void SetParts(const std::vector<std::wstring>& texts, const std::vector<int>& rightEdges);
    // The icon a part shows before its text; nullptr for none.
    void SetIcon(int part, HICON icon);
    void SetTipText(const std::wstring& text);
    // Widens the tooltip's lines to the bar's width, after the bar was moved.
    void FitTipWidth();

private:
    HWND m_hWnd = nullptr;
    HWND m_tip = nullptr;
    std::wstring m_tipText;
};
