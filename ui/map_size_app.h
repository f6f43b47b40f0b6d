#pragma once

#include "win/win_app.h"

#include <string>

// Where the program keeps its settings, under HKEY_CURRENT_USER.
inline constexpr const wchar_t* kSettingsKey = L"Software\\Tallyfold";

// The application: runs the main window once and ends when it closes.
class CMapSizeApp : public CWinApp {
public:
    CMapSizeApp();
    ~CMapSizeApp() override;

    BOOL InitInstance() override;
    bool OnCmdMsg(UINT id) override;

    // The key the main window reads its settings from and writes them to.
    std::wstring m_settingsKey = kSettingsKey;

private:
    bool OnHelp();
};
