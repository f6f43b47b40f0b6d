#pragma once

#include <string>

#include "win/dialog.h"

// Find: asks for the text to look for in the first column of the report.
class CFindDlg : public CDialog {
public:
    // Opens with `text`, the text looked for last, in its field.
    explicit CFindDlg(std::wstring text);
    ~CFindDlg() override;

    // The text in the field when Find Next was pressed.
    const std::wstring& Text() const { return m_text; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(bool saving) override;

private:
    std::wstring m_text;
};
