#include "find_dlg.h"

#include <vector>

#include "resource.h"

CFindDlg::CFindDlg(std::wstring text) : CDialog(IDD_FIND), m_text(std::move(text)) {}

CFindDlg::~CFindDlg() = default;

// The field shows the text looked for last; the dialog manager, giving it the focus, selects it
// all, so that typing replaces it.
BOOL CFindDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetDlgItemTextW(m_hWnd, IDC_FIND_TEXT, m_text.c_str());
    return TRUE;
}

void CFindDlg::DoDataExchange(bool saving) {
    if (!saving) {
        return;
    }
    HWND field = GetDlgItem(m_hWnd, IDC_FIND_TEXT);
    std::vector<wchar_t> text(static_cast<size_t>(GetWindowTextLengthW(field)) + 1, L'\0');
    GetWindowTextW(field, text.data(), static_cast<int>(text.size()));
    m_text = text.data();
}
