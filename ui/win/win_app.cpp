#include "win_app.h"

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
