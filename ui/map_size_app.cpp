#include "map_size_app.h"

#include <commctrl.h>

#include "map_size_dlg.h"
#include "resource.h"
#include "window_layout.h"

static_assert(IDM_HELP == kHelpCommand, "F1 and the Help command must agree");
static_assert(IDM_ABOUTBOX == kAboutSysCommand, "the About entry and its command test must agree");

CMapSizeApp::CMapSizeApp() = default;

CMapSizeApp::~CMapSizeApp() = default;

// The main window is the whole program: once its modal run ends, so does the process.
BOOL CMapSizeApp::InitInstance() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES;
    InitCommonControlsEx(&controls);

    CMapSizeDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}

bool CMapSizeApp::OnCmdMsg(UINT id) {
    switch (id) {
        case IDM_HELP:
            return OnHelp();
        default:
            return CWinApp::OnCmdMsg(id);
    }
}

// The program ships no help content; F1 is taken so that it does nothing at all.
bool CMapSizeApp::OnHelp() {
    return true;
}
