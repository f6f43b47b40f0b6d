#include "dialog.h"

#include <algorithm>
#include <exception>
#include <string>
#include <vector>

#include "list_ctrl.h"
#include "win_app.h"

namespace {

constexpr WORD kExtendedTemplateSignature = 0xFFFF;

// The dialogs of this thread in their modal runs, innermost last, and the message filter that
// gives F1 its meaning while any of them runs.
thread_local std::vector<CDialog*> t_modalDialogs;
thread_local HHOOK t_messageFilter = nullptr;

// The style and position of a dialog template, classic or extended.
struct TemplateHeader {
    DWORD style = 0;
    short x = 0;
    short y = 0;
};

bool ReadTemplateHeader(UINT templateId, TemplateHeader& header) {
    HRSRC found = FindResourceW(ResourceInstance(), MAKEINTRESOURCEW(templateId),
                                MAKEINTRESOURCEW(5));  // RT_DIALOG
    if (found == nullptr) {
        return false;
    }
    HGLOBAL loaded = LoadResource(ResourceInstance(), found);
    const auto* bytes = static_cast<const BYTE*>(LockResource(loaded));
    if (bytes == nullptr || SizeofResource(ResourceInstance(), found) < 26) {
        return false;
    }
    WORD signature = 0;
    CopyMemory(&signature, bytes + 2, sizeof signature);
    const bool extended = signature == kExtendedTemplateSignature;
    CopyMemory(&header.style, bytes + (extended ? 12 : 0), sizeof header.style);
    CopyMemory(&header.x, bytes + (extended ? 18 : 10), sizeof header.x);
    CopyMemory(&header.y, bytes + (extended ? 20 : 12), sizeof header.y);
    return true;
}

void ShowUnexpectedError(HWND owner, const char* what) {
    std::wstring text = L"An unexpected error stopped this action:\n\n";
    const int length = MultiByteToWideChar(CP_ACP, 0, what, -1, nullptr, 0);
    if (length > 1) {
        std::wstring detail(static_cast<size_t>(length - 1), L'\0');
        MultiByteToWideChar(CP_ACP, 0, what, -1, detail.data(), length);
        text += detail;
    }
    MessageBoxW(owner, text.c_str(), L"Tallyfold", MB_OK | MB_ICONERROR);
}

}  // namespace

CDialog::CDialog(UINT templateId, CDialog* parent) : m_templateId(templateId), m_parent(parent) {}

CDialog::~CDialog() = default;

// A dialog opened without a parent is owned by the main window, as long as it is not the main
// window itself.
HWND CDialog::OwnerForModalRun() const {
    if (m_parent != nullptr) {
        return m_parent->GetSafeHwnd();
    }
    CWinApp* app = CurrentApp();
    if (app != nullptr && app->m_pMainWnd != nullptr && app->m_pMainWnd != this) {
        return app->m_pMainWnd->GetSafeHwnd();
    }
    return nullptr;
}

INT_PTR CDialog::DoModal() {
    const bool outermost = t_modalDialogs.empty();
    if (outermost) {
        t_messageFilter =
            SetWindowsHookExW(WH_MSGFILTER, &CDialog::MessageFilter, nullptr, GetCurrentThreadId());
    }
    t_modalDialogs.push_back(this);
    const INT_PTR result =
        DialogBoxParamW(ResourceInstance(), MAKEINTRESOURCEW(m_templateId), OwnerForModalRun(),
                        &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    t_modalDialogs.pop_back();
    if (outermost && t_messageFilter != nullptr) {
        UnhookWindowsHookEx(t_messageFilter);
        t_messageFilter = nullptr;
    }
    m_hWnd = nullptr;
    return result;
}

// Keys pressed anywhere in one of our dialogs: F1 becomes the Help command of that dialog, routed
// like any command it does not handle, and the keys of its accelerator table become their
// commands. Other dialogs (file dialog, message boxes) keep their own keys.
LRESULT CALLBACK CDialog::MessageFilter(int code, WPARAM wParam, LPARAM lParam) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code == MSGF_DIALOGBOX && msg != nullptr &&
        (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN)) {
        HWND root = GetAncestor(msg->hwnd, GA_ROOT);
        const auto found =
            std::find_if(t_modalDialogs.begin(), t_modalDialogs.end(),
                         [root](const CDialog* dialog) { return dialog->m_hWnd == root; });
        if (root != nullptr && found != t_modalDialogs.end()) {
            CDialog* dialog = *found;
            if (msg->message == WM_KEYDOWN && msg->wParam == VK_F1) {
                try {
                    dialog->RouteCommand(kHelpCommand);
                } catch (const std::exception& error) {
                    ShowUnexpectedError(root, error.what());
                }
                return 1;
            }
            // The command goes through the dialog procedure, which keeps exceptions in.
            if (dialog->m_accelerators != nullptr &&
                TranslateAcceleratorW(root, dialog->m_accelerators, msg) != 0) {
                return 1;
            }
        }
    }
    return CallNextHookEx(t_messageFilter, code, wParam, lParam);
}

void CDialog::EndDialog(INT_PTR result) {
    ::EndDialog(m_hWnd, result);
}

BOOL CDialog::OnInitDialog() {
    DoDataExchange(false);
    return TRUE;
}

void CDialog::DoDataExchange(bool) {}

void CDialog::OnOK() {
    DoDataExchange(true);
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::PlaceWindow() {
    CentreIfTemplateAtOrigin();
}

bool CDialog::OnCommand(UINT id) {
    switch (id) {
        case IDOK:
            OnOK();
            return true;
        case IDCANCEL:
            OnCancel();
            return true;
        default:
            return false;
    }
}

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) {
    return false;
}

void CDialog::UseAccelerators(UINT tableId) {
    m_accelerators = LoadAcceleratorsW(ResourceInstance(), MAKEINTRESOURCEW(tableId));
}

void CDialog::BindControl(int id, CListCtrl& control) {
    if (control.GetSafeHwnd() == nullptr) {
        control.Attach(GetDlgItem(m_hWnd, id));
    }
}

int CDialog::ShowMessage(const wchar_t* text, UINT type) {
    return MessageBoxW(m_hWnd, text, L"Tallyfold", type);
}

// Commands the dialog leaves alone go on to the application object.
void CDialog::RouteCommand(UINT id) {
    if (OnCommand(id)) {
        return;
    }
    if (CWinApp* app = CurrentApp()) {
        app->OnCmdMsg(id);
    }
}

// A template placed at 0,0 without a centring style is centred over its owner, or over the work
// area of the screen when there is no owner or the owner is minimised.
void CDialog::CentreIfTemplateAtOrigin() {
    TemplateHeader header;
    constexpr DWORD kPlacementStyles = DS_ABSALIGN | DS_CENTER | DS_CENTERMOUSE;
    if (!ReadTemplateHeader(m_templateId, header) || header.x != 0 || header.y != 0 ||
        (header.style & kPlacementStyles) != 0) {
        return;
    }
    HWND owner = GetWindow(m_hWnd, GW_OWNER);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(owner != nullptr ? owner : m_hWnd, MONITOR_DEFAULTTONEAREST),
                    &monitor);
    const RECT area = monitor.rcWork;
    RECT centreOn = area;
    if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) {
        GetWindowRect(owner, &centreOn);
    }
    RECT self;
    GetWindowRect(m_hWnd, &self);
    const int width = self.right - self.left;
    const int height = self.bottom - self.top;
    int x = (centreOn.left + centreOn.right - width) / 2;
    int y = (centreOn.top + centreOn.bottom - height) / 2;
    // Keep the whole window, or at least its top-left corner, on the work area.
    if (x + width > area.right)
        x = area.right - width;
    if (y + height > area.bottom)
        y = area.bottom - height;
    if (x < area.left)
        x = area.left;
    if (y < area.top)
        y = area.top;
    SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            const BOOL setFocus = OnInitDialog();
            PlaceWindow();
            return setFocus;
        }
        case WM_COMMAND:
            // Menu commands and accelerators come with no control handle; button clicks with
            // BN_CLICKED. Other notifications from controls are not commands.
            if (lParam == 0 || HIWORD(wParam) == BN_CLICKED) {
                RouteCommand(LOWORD(wParam));
                return TRUE;
            }
            break;
        case WM_HELP:
            RouteCommand(kHelpCommand);
            return TRUE;
        default:
            break;
    }
    INT_PTR result = 0;
    if (OnMessage(message, wParam, lParam, result)) {
        return result;
    }
    return FALSE;
}

// No exception may cross into the window manager: anything that escapes a handler is shown.
INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* dialog = nullptr;
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<CDialog*>(lParam);
        dialog->m_hWnd = hWnd;
        SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
    } else {
        dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrW(hWnd, DWLP_USER));
    }
    if (dialog == nullptr) {
        return FALSE;
    }
    try {
        return dialog->Dispatch(message, wParam, lParam);
    } catch (const std::exception& error) {
        ShowUnexpectedError(hWnd, error.what());
    } catch (...) {
        ShowUnexpectedError(hWnd, "unknown error");
    }
    return TRUE;
}
