#include "map_size_dlg.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "about_dlg.h"
#include "layout/window_layout.h"
#include "menu_choices.h"
#include "resource.h"
#include "win/dpi.h"
#include "win/win_app.h"

// The window itself: its creation, its messages, its layout and painting, and the system menu.
// The menu commands are in map_size_dlg_commands.cpp, the report in map_size_dlg_report.cpp.

namespace {

// Posted by the window's initialisation when a map is to be opened at start, so that the map is
// read (and any error shown) over the window that is already on screen.
constexpr UINT kOpenAtStartMessage = WM_APP + 1;
// Posted when the DPI changed, to measure the columns in the list's new font.
constexpr UINT kMeasureAgainMessage = WM_APP + 2;

}  // namespace

CMapSizeDlg::CMapSizeDlg(CDialog* parent)
    : CDialog(IDD_TALLYFOLD_DIALOG, parent),
      m_hIcon(LoadIconW(ResourceInstance(), MAKEINTRESOURCEW(IDI_TALLYFOLD))) {}

CMapSizeDlg::~CMapSizeDlg() = default;

void CMapSizeDlg::OpenAtStart(std::wstring path) {
    m_startPath = std::move(path);
}

void CMapSizeDlg::DoDataExchange(bool saving) {
    CDialog::DoDataExchange(saving);
    BindControl(IDC_REPORT_LIST, m_list);
}

BOOL CMapSizeDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    LoadSettings();

    AddAboutEntryToSystemMenu();

    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    m_dpi = DpiForWindow(m_hWnd);
    // The columns of a map's report, at their starting widths until the first size change.
    m_report.columns = SizeReportColumns(false);
    for (int column = 0; column < kReportColumnCount; ++column) {
        const auto index = static_cast<size_t>(column);
        m_list.InsertColumn(column, m_report.columns[index].header.c_str());
        m_list.SetColumnWidth(column, ScaleForDpi(kInitialColumnWidths[index], m_dpi));
        m_columnFields.push_back(m_report.columns[index].field);
        m_laidOutWidths.push_back(ScaleForDpi(kInitialColumnWidths[index], m_dpi));
    }
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    MeasureColumnNeeds();
    RECT client{};
    GetClientRect(m_hWnd, &client);
    m_laidOutCx = client.right - client.left;

    if (m_status.Create(m_hWnd, IDC_STATUS_BAR)) {
        m_status.SetFont(m_list.GetFont(), false);
    }
    m_warningIcon = static_cast<HICON>(LoadImageW(
        nullptr, MAKEINTRESOURCEW(32515) /* the system's warning icon */, IMAGE_ICON,
        SystemMetricForDpi(SM_CXSMICON, m_dpi), SystemMetricForDpi(SM_CYSMICON, m_dpi), LR_SHARED));
    ShowStatus();

    wchar_t other[128] = {};
    GetMenuStringW(GetMenu(m_hWnd), IDM_DEVICE_OTHER, other, 128, MF_BYCOMMAND);
    m_otherDeviceText = other;

    UseAccelerators(IDR_ACCELERATORS);
    DragAcceptFiles(m_hWnd, TRUE);
    if (!m_startPath.empty()) {
        PostMessageW(m_hWnd, kOpenAtStartMessage, 0, 0);
    }
    return TRUE;  // the list view, the first visible control, takes the focus
}

bool CMapSizeDlg::OnCommand(UINT id) {
    switch (id) {
        case IDOK:
        case IDCANCEL:
            // Enter and Esc: the window stays, with the view the user has of the map. Alt+F4,
            // the close button and File > Exit close it.
            return true;
        case IDM_FILE_OPEN:
            return OnFileOpen();
        case IDM_FILE_RELOAD:
            return OnFileReload();
        case IDM_FILE_SAVE_REPORT_AS:
            return OnFileSaveReportAs();
        case IDM_FILE_COMPARE_WITH:
            return OnFileCompareWith();
        case IDM_FILE_OPEN_PICTURE:
            return OnFileOpenPicture();
        case IDM_FILE_EXIT:
            return OnFileExit();
        case IDM_EDIT_COPY:
            return OnEditCopy();
        case IDM_EDIT_COPY_TABLE:
            return OnEditCopyTable();
        case IDM_EDIT_FIND:
            return OnEditFind();
        case IDM_EDIT_FIND_NEXT:
            return OnEditFindNext();
        case IDM_DEVICE_OTHER:
            return OnDeviceOther();
        case IDM_HELP_ABOUT:
            return OnHelpAbout();
        default:
            break;
    }
    if (id >= IDM_FILE_RECENT_FIRST && id < IDM_FILE_RECENT_FIRST + kRecentFileCount) {
        return OnFileRecent(id - IDM_FILE_RECENT_FIRST);
    }
    if (const std::size_t device = ItemOf(kDeviceItems, id); device < kDeviceItems.size()) {
        return OnDevice(device);
    }
    if (const std::size_t rule = ItemOf(kRuleItems, id); rule < kRuleItems.size()) {
        return OnRule(kSectionRuleNames[rule].rule);
    }
    if (const std::size_t view = ItemOf(kViewItems, id); view < kViewItems.size()) {
        return OnView(kViewChoices[view].view);
    }
    return CDialog::OnCommand(id);
}

bool CMapSizeDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
        case WM_CLOSE:
            Close();
            result = 0;
            return true;
        case WM_ENDSESSION:
            if (wParam != FALSE) {
                SaveSettings();  // the session ends without closing the window
            }
            return false;
        case WM_SYSCOMMAND:
            return OnSysCommand(wParam);
        case WM_PAINT:
            return OnPaint();
        case WM_QUERYDRAGICON:
            result = reinterpret_cast<INT_PTR>(m_hIcon);
            return true;
        case WM_SIZE:
            OnSize(LOWORD(lParam), HIWORD(lParam));
            return false;  // the dialog manager's own handling runs as well
        case WM_GETMINMAXINFO:
            if (m_list.GetSafeHwnd() == nullptr) {
                return false;  // still being created: the system's own limits
            }
            OnGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam));
            result = TRUE;
            return true;
        case WM_DPICHANGED:
            m_dpi = LOWORD(wParam);
            OnDpiChanged(*reinterpret_cast<const RECT*>(lParam));
            return false;  // the dialog manager scales the controls' font as well
        case kMeasureAgainMessage:
            // The status bar takes the list's font at the new DPI.
            m_status.SetFont(m_list.GetFont(), true);
            MeasureColumnNeeds();
            LayOut();
            ShowStatus();
            return true;
        case WM_DROPFILES:
            OnDropFiles(reinterpret_cast<HDROP>(wParam));
            result = TRUE;
            return true;
        case WM_CONTEXTMENU:
            return OnContextMenu(reinterpret_cast<HWND>(wParam), lParam);
        case WM_INITMENUPOPUP:
            OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
            result = 0;
            return true;
        case WM_NOTIFY: {
            LONG_PTR value = 0;
            if (!OnNotify(*reinterpret_cast<NMHDR*>(lParam), value)) {
                return false;
            }
            SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, value);
            result = TRUE;
            return true;
        }
        case kOpenAtStartMessage: {
            const std::wstring path = std::move(m_startPath);
            m_startPath.clear();
            OpenMap(path);
            return true;
        }
        default:
            return false;
    }
}

// The end of the window, and with it of the program: what it shows is kept for the next start.
void CMapSizeDlg::Close() {
    SaveSettings();
    EndDialog(IDCANCEL);
}

bool CMapSizeDlg::OnSysCommand(WPARAM command) {
    if (!IsAboutCommand(command)) {
        return false;  // move, size, close and the rest: the system's own handling
    }
    ShowAboutBox();
    return true;
}

bool CMapSizeDlg::OnPaint() {
    if (!IsIconic(m_hWnd)) {
        return false;
    }
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const int cx = GetSystemMetrics(SM_CXICON);
    const int cy = GetSystemMetrics(SM_CYICON);
    RECT client;
    GetClientRect(m_hWnd, &client);
    const IconOrigin origin =
        MinimisedIconOrigin(client.right - client.left, client.bottom - client.top, cx, cy);
    DrawIcon(dc, origin.x, origin.y, m_hIcon);
    EndPaint(m_hWnd, &paint);
    return true;
}

// The size change that arrives while the window is being created finds no list yet.
void CMapSizeDlg::OnSize(int cx, int cy) {
    if (m_list.GetSafeHwnd() == nullptr) {
        return;
    }
    KeepUserWidths();
    const ListPlacement place = ListPlacementForClient(cx, cy, m_dpi);
    m_list.MoveWindow(place.x, place.y, place.width, place.height, TRUE);
    if (m_status.GetSafeHwnd() != nullptr) {
        const StatusBarPlacement status = StatusBarPlacementForClient(cy, m_dpi);
        MoveWindow(m_status.GetSafeHwnd(), 0, status.y, cx, status.height, TRUE);
        m_status.FitTipWidth();
        ShowStatus();  // its parts share the new width
    }
    m_laidOutWidths =
        ReportColumnWidths(cx, m_dpi, m_needs, WeightsFor(m_report.columns, m_weights));
    m_laidOutCx = cx;
    for (size_t column = 0; column < m_laidOutWidths.size(); ++column) {
        m_list.SetColumnWidth(static_cast<int>(column), m_laidOutWidths[column]);
    }
}

// Widths the user dragged the columns to since they were laid out become the columns' weights,
// which the next layout keeps.
void CMapSizeDlg::KeepUserWidths() {
    if (m_laidOutWidths.size() != m_report.columns.size()) {
        return;
    }
    std::vector<int> widths;
    for (size_t column = 0; column < m_laidOutWidths.size(); ++column) {
        widths.push_back(m_list.GetColumnWidth(static_cast<int>(column)));
    }
    if (widths != m_laidOutWidths) {
        KeepWeights(m_weights, m_report.columns, WeightsOfWidths(widths, m_laidOutCx, m_dpi));
        m_laidOutWidths = widths;
    }
}

void CMapSizeDlg::LayOut() {
    RECT client{};
    GetClientRect(m_hWnd, &client);
    OnSize(client.right - client.left, client.bottom - client.top);
}

// The window is never made smaller than the size at which every column shows what it needs.
void CMapSizeDlg::OnGetMinMaxInfo(MINMAXINFO& info) {
    const ClientSize minimum = MinimumClientSize(m_dpi, m_needs);
    RECT frame = {0, 0, minimum.cx, minimum.cy};
    AdjustWindowRectForDpi(frame, static_cast<DWORD>(GetWindowLongPtrW(m_hWnd, GWL_STYLE)),
                           GetMenu(m_hWnd) != nullptr,
                           static_cast<DWORD>(GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)), m_dpi);
    info.ptMinTrackSize.x = frame.right - frame.left;
    info.ptMinTrackSize.y = frame.bottom - frame.top;
}

// A report with wider numbers than the window has room for makes the window wider.
void CMapSizeDlg::GrowToMinimumSize() {
    if (IsIconic(m_hWnd) || IsZoomed(m_hWnd)) {
        return;
    }
    MINMAXINFO info{};
    OnGetMinMaxInfo(info);
    RECT window{};
    GetWindowRect(m_hWnd, &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    if (width < info.ptMinTrackSize.x || height < info.ptMinTrackSize.y) {
        SetWindowPos(m_hWnd, nullptr, 0, 0, std::max<int>(width, info.ptMinTrackSize.x),
                     std::max<int>(height, info.ptMinTrackSize.y),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// Moved to a display of another DPI: the window takes the place and size the system suggests,
// and once the dialog manager has scaled the list's font, the columns are measured again.
void CMapSizeDlg::OnDpiChanged(const RECT& suggested) {
    SetWindowPos(m_hWnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    PostMessageW(m_hWnd, kMeasureAgainMessage, 0, 0);
}

// A file dropped on the window is opened as File > Open would; of several, the first.
void CMapSizeDlg::OnDropFiles(HDROP drop) {
    std::wstring path;
    if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) > 0) {
        const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
        path.assign(length + 1, L'\0');
        path.resize(DragQueryFileW(drop, 0, path.data(), length + 1));
    }
    DragFinish(drop);
    if (!path.empty()) {
        OpenMap(path);
    }
}

// The list's right-click menu; from the keyboard (Shift+F10, the menu key) it opens at the
// list's top-left corner.
bool CMapSizeDlg::OnContextMenu(HWND window, LPARAM position) {
    HWND list = m_list.GetSafeHwnd();
    if (window != list && GetParent(window) != list) {
        return false;  // neither the list nor its header
    }
    POINT at = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    if (position == -1) {
        at = {ScaleForDpi(8, m_dpi), ScaleForDpi(8, m_dpi)};
        ClientToScreen(list, &at);
    }
    HMENU menu = LoadMenuW(ResourceInstance(), MAKEINTRESOURCEW(IDM_LIST_MENU));
    if (menu == nullptr) {
        return true;
    }
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, m_hWnd,
                   nullptr);
    DestroyMenu(menu);
    return true;
}

bool CMapSizeDlg::OnNotify(const NMHDR& header, LONG_PTR& value) {
    if (header.idFrom != IDC_REPORT_LIST || header.hwndFrom != m_list.GetSafeHwnd()) {
        return false;
    }
    switch (header.code) {
        case LVN_GETDISPINFOW:
            OnGetDispInfo(reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header))->item);
            return true;
        case LVN_GETDISPINFOA:
            OnGetDispInfo(reinterpret_cast<NMLVDISPINFOA*>(const_cast<NMHDR*>(&header))->item);
            return true;
        case LVN_ODFINDITEMW:
            value = OnFindItem(*reinterpret_cast<const NMLVFINDITEMW*>(&header));
            return true;
        case LVN_COLUMNCLICK:
            OnColumnClick(reinterpret_cast<const NMLISTVIEW*>(&header)->iSubItem);
            return true;
        case NM_CUSTOMDRAW:
            value = OnCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(&header)));
            return true;
        default:
            return false;
    }
}

void CMapSizeDlg::AddAboutEntryToSystemMenu() {
    HMENU systemMenu = GetSystemMenu(m_hWnd, FALSE);
    if (systemMenu == nullptr) {
        return;
    }
    wchar_t text[256] = {};
    if (LoadStringW(ResourceInstance(), IDS_ABOUTBOX, text, 256) <= 0 || text[0] == L'\0') {
        return;
    }
    AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, text);
}

void CMapSizeDlg::ShowAboutBox() {
    CAboutDlg dlgAbout;
    dlgAbout.DoModal();
}
