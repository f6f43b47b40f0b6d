#include "window_driver.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

#include "resource.h"
#include "win/registry.h"

namespace {

constexpr DWORD kPollMs = 10;

bool IsDialogClass(HWND window) {
    return ClassName(window) == L"#32770";
}

}  // namespace

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) {
            return true;
        }
        if (GetTickCount64() >= end) {
            return false;
        }
        Sleep(kPollMs);
    }
}

std::wstring WindowText(HWND window) {
    wchar_t text[4096] = {};
    GetWindowTextW(window, text, 4096);
    return text;
}

std::wstring ClassName(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::vector<HWND> ThreadDialogs(DWORD threadId) {
    std::vector<HWND> found;
    EnumThreadWindows(
        threadId,
        [](HWND window, LPARAM context) -> BOOL {
            if (IsWindowVisible(window) && IsDialogClass(window)) {
                reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

std::vector<std::wstring> ChildTexts(HWND dialog, const std::wstring& className) {
    struct Search {
        const std::wstring* className;
        std::vector<std::wstring> texts;
    } search{&className, {}};
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM context) -> BOOL {
            auto* s = reinterpret_cast<Search*>(context);
            if (_wcsicmp(ClassName(child).c_str(), s->className->c_str()) == 0) {
                s->texts.push_back(WindowText(child));
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.texts;
}

std::wstring WindowsPath(const std::string& unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath) {
        path += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    return path;
}

TempFolder::TempFolder(const std::wstring& name) {
    wchar_t base[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, base);
    m_path = std::wstring(base) + name + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::to_wstring(GetTickCount64());
    CreateDirectoryW(m_path.c_str(), nullptr);
}

TempFolder::~TempFolder() {
    for (const std::wstring& file : m_files) {
        DeleteFileW(file.c_str());
    }
    RemoveDirectoryW(m_path.c_str());
}

std::wstring TempFolder::Write(const std::wstring& fileName, const std::string& bytes) const {
    const std::wstring path = m_path + L"\\" + fileName;
    if (std::FILE* file = _wfopen(path.c_str(), L"wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    m_files.push_back(path);
    return path;
}

std::string ReadFileBytes(const std::wstring& path) {
    std::string bytes;
    if (std::FILE* file = _wfopen(path.c_str(), L"rb")) {
        char block[4096];
        size_t got = 0;
        while ((got = std::fread(block, 1, sizeof block, file)) > 0) {
            bytes.append(block, got);
        }
        std::fclose(file);
    }
    return bytes;
}

namespace {

void CollectCommands(HMENU menu, std::vector<std::pair<std::wstring, UINT>>& commands) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        if (HMENU dropDown = GetSubMenu(menu, i)) {
            CollectCommands(dropDown, commands);
        } else if (GetMenuItemID(menu, i) != 0) {  // not a separator
            wchar_t text[64] = {};
            GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
            commands.emplace_back(text, GetMenuItemID(menu, i));
        }
    }
}

}  // namespace

std::vector<std::pair<std::wstring, UINT>> MenuCommands(UINT menuId) {
    std::vector<std::pair<std::wstring, UINT>> commands;
    if (HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(menuId))) {
        CollectCommands(menu, commands);
        DestroyMenu(menu);
    }
    return commands;
}

bool CommandRecordingApp::OnCmdMsg(UINT id) {
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        m_commands.push_back(id);
    }
    return CMapSizeApp::OnCmdMsg(id);
}

std::vector<UINT> CommandRecordingApp::Commands() const {
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_commands;
}

ProgramDriver::ProgramDriver(std::unique_ptr<CMapSizeApp> app, Settings settings)
    : m_app(std::move(app)) {
    m_app->m_settingsKey = kTestSettingsKey;
    if (settings == Settings::kForget) {
        DeleteRegistryTree(kTestSettingsKey);
    }
    m_thread = std::thread([this] {
        m_threadId = GetCurrentThreadId();
        m_startupResult = m_app->InitInstance();
        InterlockedExchange(&m_finished, 1);
    });
    WaitFor([this] {
        if (m_threadId == 0) {
            return false;
        }
        for (HWND dialog : ThreadDialogs(m_threadId)) {
            if (GetWindow(dialog, GW_OWNER) == nullptr) {
                m_window = dialog;
                return true;
            }
        }
        return false;
    });
}

ProgramDriver::~ProgramDriver() {
    CloseEverything();
    if (m_thread.joinable()) {
        if (InterlockedCompareExchange(&m_finished, 0, 0) != 0) {
            m_thread.join();
        } else {
            m_thread.detach();  // a hung window: the process ends it
        }
    }
}

// Ends whatever is open, innermost first: message boxes, file dialogs, the About box, then the
// main window.
void ProgramDriver::CloseEverything() {
    WaitFor(
        [this] {
            if (InterlockedCompareExchange(&m_finished, 0, 0) != 0) {
                return true;
            }
            for (HWND dialog : ThreadDialogs(m_threadId)) {
                if (IsWindowEnabled(dialog)) {
                    // Esc does not close the main window.
                    PostMessageW(dialog, dialog == m_window ? WM_CLOSE : WM_COMMAND,
                                 dialog == m_window ? 0 : IDCANCEL, 0);
                }
            }
            Sleep(50);
            return false;
        },
        10000);
}

bool ProgramDriver::WaitForExit(DWORD timeoutMs) {
    return WaitFor([this] { return InterlockedCompareExchange(&m_finished, 0, 0) != 0; },
                   timeoutMs);
}

HWND ProgramDriver::List() const {
    return GetDlgItem(m_window, IDC_REPORT_LIST);
}

std::wstring ProgramDriver::Title() const {
    return WindowText(m_window);
}

std::vector<std::string> ProgramDriver::Headers() const {
    std::vector<std::string> headers;
    for (int column = 0;; ++column) {
        char text[256] = {};
        LVCOLUMNA request{};
        request.mask = LVCF_TEXT;
        request.pszText = text;
        request.cchTextMax = 256;
        if (!SendMessageA(List(), LVM_GETCOLUMNA, static_cast<WPARAM>(column),
                          reinterpret_cast<LPARAM>(&request))) {
            return headers;
        }
        headers.emplace_back(text);
    }
}

std::vector<int> ProgramDriver::ColumnWidths() const {
    std::vector<int> widths;
    const int columns = static_cast<int>(Headers().size());
    for (int column = 0; column < columns; ++column) {
        widths.push_back(static_cast<int>(
            SendMessageA(List(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0)));
    }
    return widths;
}

std::vector<std::vector<std::string>> ProgramDriver::Rows() const {
    std::vector<std::vector<std::string>> rows;
    const size_t columns = Headers().size();
    const int count = static_cast<int>(SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0));
    for (int item = 0; item < count; ++item) {
        std::vector<std::string> cells;
        for (size_t cell = 0; cell < columns; ++cell) {
            char text[1024] = {};
            LVITEMA request{};
            request.iSubItem = static_cast<int>(cell);
            request.pszText = text;
            request.cchTextMax = 1024;
            SendMessageA(List(), LVM_GETITEMTEXTA, static_cast<WPARAM>(item),
                         reinterpret_cast<LPARAM>(&request));
            cells.emplace_back(text);
        }
        rows.push_back(cells);
    }
    return rows;
}

std::vector<std::string> ProgramDriver::StatusParts() const {
    HWND bar = GetDlgItem(m_window, IDC_STATUS_BAR);
    std::vector<std::string> parts;
    const int count = static_cast<int>(SendMessageA(bar, SB_GETPARTS, 0, 0));
    for (int part = 0; part < count; ++part) {
        const auto length =
            LOWORD(SendMessageA(bar, SB_GETTEXTLENGTHA, static_cast<WPARAM>(part), 0));
        std::string text(length + 1u, '\0');
        SendMessageA(bar, SB_GETTEXTA, static_cast<WPARAM>(part),
                     reinterpret_cast<LPARAM>(text.data()));
        text.resize(length);
        parts.push_back(text);
    }
    return parts;
}

bool ProgramDriver::StatusPartHasIcon(int part) const {
    HWND bar = GetDlgItem(m_window, IDC_STATUS_BAR);
    return SendMessageW(bar, SB_GETICON, static_cast<WPARAM>(part), 0) != 0;
}

HWND ProgramDriver::StatusTip() const {
    struct Search {
        HWND owner;
        HWND tip;
    } search{m_window, nullptr};
    EnumThreadWindows(
        m_threadId,
        [](HWND window, LPARAM context) -> BOOL {
            auto* s = reinterpret_cast<Search*>(context);
            if (_wcsicmp(ClassName(window).c_str(), TOOLTIPS_CLASSW) == 0 &&
                GetWindow(window, GW_OWNER) == s->owner) {
                s->tip = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.tip;
}

std::string ProgramDriver::Status() const {
    HWND tip = StatusTip();
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    if (tip == nullptr || !SendMessageW(tip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool))) {
        return "(no tooltip)";
    }
    std::vector<wchar_t> text(4096, L'\0');
    tool.lpszText = text.data();
    SendMessageW(tip, TTM_GETTEXTW, text.size(), reinterpret_cast<LPARAM>(&tool));
    std::string narrow;
    for (const wchar_t* c = text.data(); *c != L'\0'; ++c) {
        narrow += static_cast<char>(*c);  // the texts are ASCII
    }
    return narrow;
}

void ProgramDriver::SendCommand(UINT id) const {
    SendMessageW(m_window, WM_COMMAND, id, 0);
}

void ProgramDriver::PostCommand(UINT id) const {
    PostMessageW(m_window, WM_COMMAND, id, 0);
}

void ProgramDriver::ClickHeader(int column) const {
    HWND header = reinterpret_cast<HWND>(SendMessageW(List(), LVM_GETHEADER, 0, 0));
    RECT item{};
    SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(column),
                 reinterpret_cast<LPARAM>(&item));
    const LPARAM point = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    PostMessageW(header, WM_MOUSEMOVE, 0, point);
    PostMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageW(header, WM_LBUTTONUP, 0, point);
}

void ProgramDriver::ClickHeader(const std::string& heading) const {
    const std::vector<std::string> headers = Headers();
    const auto found = std::find(headers.begin(), headers.end(), heading);
    ClickHeader(found == headers.end() ? -1 : static_cast<int>(found - headers.begin()));
}

namespace {

// The drop-down of the menu bar that holds the item, prepared as when it opens; nullptr when
// none holds it.
HMENU OpenedDropDownOf(HWND window, UINT id) {
    HMENU bar = GetMenu(window);
    for (int dropDown = 0; dropDown < GetMenuItemCount(bar); ++dropDown) {
        HMENU popup = GetSubMenu(bar, dropDown);
        SendMessageW(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup),
                     MAKELPARAM(dropDown, FALSE));
        if (GetMenuState(popup, id, MF_BYCOMMAND) != static_cast<UINT>(-1)) {
            return popup;
        }
    }
    return nullptr;
}

}  // namespace

bool ProgramDriver::IsChecked(UINT id) const {
    HMENU popup = OpenedDropDownOf(m_window, id);
    return popup != nullptr && (GetMenuState(popup, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

bool ProgramDriver::IsGrayed(UINT id) const {
    HMENU popup = OpenedDropDownOf(m_window, id);
    return popup != nullptr && (GetMenuState(popup, id, MF_BYCOMMAND) & MF_GRAYED) != 0;
}

std::wstring ProgramDriver::ItemText(UINT id) const {
    HMENU popup = OpenedDropDownOf(m_window, id);
    wchar_t text[512] = {};
    if (popup != nullptr) {
        GetMenuStringW(popup, id, text, 512, MF_BYCOMMAND);
    }
    return text;
}

HWND ProgramDriver::WaitForOwnedDialog(const std::wstring& caption, DWORD timeoutMs) const {
    HWND found = nullptr;
    WaitFor(
        [&] {
            for (HWND dialog : ThreadDialogs(m_threadId)) {
                if (dialog != m_window && GetWindow(dialog, GW_OWNER) == m_window &&
                    WindowText(dialog) == caption) {
                    found = dialog;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

void ProgramDriver::PressKey(WORD key, std::initializer_list<WORD> modifiers) const {
    SetForegroundWindow(m_window);
    WaitFor([this] { return GetForegroundWindow() == m_window; }, 2000);
    std::vector<INPUT> inputs;
    const auto add = [&inputs](WORD virtualKey, DWORD flags) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = virtualKey;
        input.ki.dwFlags = flags;
        inputs.push_back(input);
    };
    for (WORD modifier : modifiers) {
        add(modifier, 0);
    }
    add(key, 0);
    add(key, KEYEVENTF_KEYUP);
    for (auto modifier = std::rbegin(modifiers); modifier != std::rend(modifiers); ++modifier) {
        add(*modifier, KEYEVENTF_KEYUP);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

std::vector<HWND> ProgramDriver::OpenMenus() const {
    std::vector<HWND> found;
    EnumThreadWindows(
        m_threadId,
        [](HWND window, LPARAM context) -> BOOL {
            if (IsWindowVisible(window) && ClassName(window) == L"#32768") {
                reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

bool ProgramDriver::OpenThroughFileDialog(const std::wstring& path) const {
    return ChooseInFileDialog(IDM_FILE_OPEN, L"Open", path);
}

bool ProgramDriver::ChooseInFileDialog(UINT command, const std::wstring& caption,
                                       const std::wstring& path, int fileType) const {
    PostCommand(command);
    HWND dialog = WaitForOwnedDialog(caption);
    if (dialog == nullptr) {
        return false;
    }
    // The explorer-style dialog's file-type list (cmb1), and its file-name field: a combo box
    // (cmb13) or an edit (edt1).
    if (fileType > 0) {
        HWND types = GetDlgItem(dialog, 0x470);
        SendMessageW(types, CB_SETCURSEL, static_cast<WPARAM>(fileType), 0);
        // The dialog takes the choice when the list closes on it.
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(0x470, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(types));
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(0x470, CBN_SELENDOK),
                     reinterpret_cast<LPARAM>(types));
    }
    HWND field = GetDlgItem(dialog, 0x47C);
    if (field == nullptr) {
        field = GetDlgItem(dialog, 0x480);
    }
    if (field == nullptr) {
        return false;
    }
    SetWindowTextW(field, path.c_str());
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    return WaitFor([&] {
        // Asked whether to replace the file: yes.
        for (HWND box : ThreadDialogs(m_threadId)) {
            if (GetWindow(box, GW_OWNER) == dialog && IsWindowEnabled(box)) {
                PostMessageW(box, WM_COMMAND, IDYES, 0);
            }
        }
        return !IsWindow(dialog);
    });
}

std::wstring ClipboardText() {
    std::wstring text = L"(none)";
    if (!WaitFor([] { return OpenClipboard(nullptr) != FALSE; }, 2000)) {
        return text;
    }
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* locked = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = locked;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

std::wstring TabSeparatedLines(const std::vector<std::string>& headers,
                               const std::vector<std::vector<std::string>>& rows) {
    std::wstring text;
    std::vector<std::vector<std::string>> lines = {headers};
    lines.insert(lines.end(), rows.begin(), rows.end());
    for (const auto& row : lines) {
        for (size_t cell = 0; cell < row.size(); ++cell) {
            if (cell > 0) {
                text += L'\t';
            }
            for (char c : row[cell]) {
                text += static_cast<wchar_t>(static_cast<unsigned char>(c));
            }
        }
        text += L"\r\n";
    }
    return text;
}

std::unique_ptr<CMapSizeApp> AppStartedWith(const std::wstring& commandLine) {
    auto app = std::make_unique<CMapSizeApp>();
    app->m_commandLine = commandLine;
    return app;
}
