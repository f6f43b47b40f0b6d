#pragma once

#include "win/dialog.h"

// The About box: icon, version text and OK, all from its template.
class CAboutDlg : public CDialog {
public:
    CAboutDlg();
    ~CAboutDlg() override;

protected:
    void DoDataExchange(bool saving) override;
};
