#include "win/status_bar.h"

#include <commctrl.h>

#include <algorithm>

#include "win/win_app.h"

bool CStatusBar::Create(HWND parent, int id) {
    // Placed by the window's layout, not by itself, so that its height follows the DPI.
    m_hWnd = CreateWindowExW(
        0, STATUSCLASSNAMEW, L"",
        WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP | CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER,
        0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ResourceInstance(),
        nullptr);
    if (m_hWnd == nullptr) {
        return false;
    }
    // The bar's own tooltips show only the text of a part cut short, and not everywhere: one
    // tool over the whole bar shows the whole line.
    m_tip =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                        WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr, ResourceInstance(), nullptr);
    if (m_tip != nullptr) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = parent;
        tool.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
        tool.lpszText = m_tipText.data();
        SendMessageW(m_tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        // Long enough that a line is shown before the tooltip goes.
        SendMessageW(m_tip, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(30000, 0));
    }
    return true;
}

void CStatusBar::SetFont(HFONT font, bool redraw) {
    SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw ? TRUE : FALSE);
}

int CStatusBar::TextWidth(const std::wstring& text) const {
    HDC dc = GetDC(m_hWnd);
    if (dc == nullptr) {
        return 0;
    }
    const HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(m_hWnd, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, previous);
    ReleaseDC(m_hWnd, dc);
    return static_cast<int>(size.cx);
}

void CStatusBar::SetParts(const std::vector<std::wstring>& texts,
                          const std::vector<int>& rightEdges) {
    std::vector<int> edges(rightEdges);
    if (edges.empty()) {
        edges.push_back(-1);
    }
    SendMessageW(m_hWnd, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    for (size_t part = 0; part < edges.size(); ++part) {
        const wchar_t* text = part < texts.size() ? texts[part].c_str() : L"";
        SendMessageW(m_hWnd, SB_SETTEXTW, part, reinterpret_cast<LPARAM>(text));
        SendMessageW(m_hWnd, SB_SETICON, part, 0);
    }
}

void CStatusBar::SetIcon(int part, HICON icon) {
    SendMessageW(m_hWnd, SB_SETICON, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(icon));
}

void CStatusBar::SetTipText(const std::wstring& text) {
    m_tipText = text;
    if (m_tip == nullptr) {
        return;
    }
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = GetParent(m_hWnd);
    tool.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    tool.lpszText = m_tipText.data();
    SendMessageW(m_tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void CStatusBar::FitTipWidth() {
    if (m_tip == nullptr) {
        return;
    }
    RECT bar{};
    GetClientRect(m_hWnd, &bar);
    SendMessageW(m_tip, TTM_SETMAXTIPWIDTH, 0, std::max<LPARAM>(bar.right - bar.left, 200));
}
