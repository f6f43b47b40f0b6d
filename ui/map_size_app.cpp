#include "map_size_app.h"

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <string>

#include "layout/window_layout.h"
#include "map_size_dlg.h"
#include "resource.h"

static_assert(IDM_HELP == kHelpCommand, "F1 and the Help command must agree");
static_assert(IDM_ABOUTBOX == kAboutSysCommand, "the About entry and its command test must agree");

namespace {

// The full path of the map named by the first argument of a command line, or an empty string
// when there is none. Arguments are split by the system's own rules (quotes, backslashes).
std::wstring MapPathFromCommandLine(const std::wstring& commandLine) {
    if (commandLine.empty()) {
        return {};
    }
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(commandLine.c_str(), &count);
    if (arguments == nullptr) {
        return {};
    }
    std::wstring path = count >= 2 ? arguments[1] : L"";
    LocalFree(arguments);
    if (path.empty()) {
        return path;
    }
    // Relative to the folder the program was started in, which the file dialog may change.
    const DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (length == 0) {
        return path;
    }
    std::wstring full(length, L'\0');
    const DWORD written = GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
    if (written == 0 || written >= length) {
        return path;
    }
    full.resize(written);
    return full;
}

}  // namespace

CMapSizeApp::CMapSizeApp() = default;

CMapSizeApp::~CMapSizeApp() = default;

// The main window is the whole program: once its modal run ends, so does the process. A map
// named on the command line is opened as soon as the window shows.
BOOL CMapSizeApp::InitInstance() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES;
    InitCommonControlsEx(&controls);

    CMapSizeDlg dlg;
    dlg.OpenAtStart(MapPathFromCommandLine(m_commandLine));
    dlg.KeepSettingsUnder(m_settingsKey);
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
