#pragma once

#include "win/win_app.h"

// The application: runs the main window once and ends when it closes.
class CMapSizeApp : public CWinApp {
public:
    CMapSizeApp();
    ~CMapSizeApp() override;

    BOOL InitInstance() override;
    bool OnCmdMsg(UINT id) override;

private:
    bool OnHelp();
};
