#include "win_app.h"

#include <shellapi.h>

#include "dialog.h"

namespace {

CWinApp* g_currentApp = nullptr;

}  // namespace

CWinApp::CWinApp() {
    g_currentApp = this;
}

CWinApp::~CWinApp() {
    if (g_currentApp == this) {
        g_currentApp = nullptr;
    }
}

bool CWinApp::OnCmdMsg(UINT) {
    return false;
}

std::wstring CWinApp::OpenInShell(const std::wstring& path) {
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(MainWindowHandle(), L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result > 32) {
        return {};
    }
    switch (result) {
        case SE_ERR_NOASSOC:
            return L"no program is set to open such files.";
        case SE_ERR_ACCESSDENIED:
            return L"access is denied.";
        default:
            return L"the shell could not open it (error " + std::to_wstring(result) + L").";
    }
}

int CWinApp::Run() {
    CWinApp* app = CurrentApp();
    if (app == nullptr) {
        return 1;
    }
    app->m_commandLine = GetCommandLineW();
    if (app->InitInstance()) {
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return app->ExitInstance();
}

CWinApp* CurrentApp() {
    return g_currentApp;
}

HINSTANCE ResourceInstance() {
    return GetModuleHandleW(nullptr);
}

HWND MainWindowHandle() {
    CWinApp* app = CurrentApp();
    if (app == nullptr || app->m_pMainWnd == nullptr) {
        return nullptr;
    }
    return app->m_pMainWnd->GetSafeHwnd();
}
