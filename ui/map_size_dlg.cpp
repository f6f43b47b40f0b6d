#include "map_size_dlg.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <memory>
#include <new>
#include <vector>

#include "about_dlg.h"
#include "core/device_profile.h"
#include "core/map_error.h"
#include "core/map_file.h"
#include "resource.h"
#include "report/size_report.h"
#include "layout/status_text.h"
#include "text/utf8.h"
#include "win/dpi.h"
#include "win/file_dialog.h"
#include "win/win_app.h"

namespace {

// Posted by the window's initialisation when a map is to be opened at start, so that the map is
// read (and any error shown) over the window that is already on screen.
constexpr UINT kOpenAtStartMessage = WM_APP + 1;
// Posted when the DPI changed, to measure the columns in the list's new font.
constexpr UINT kMeasureAgainMessage = WM_APP + 2;

// Map contents are single-byte text; they are shown in the ANSI code page, as the list shows them,
// and what is typed to find a row is compared in it.
std::wstring WidenAnsi(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string NarrowAnsi(const wchar_t* text) {
    const int length = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1) {
        return {};
    }
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow.data(), length, nullptr, nullptr);
    narrow.pop_back();  // the terminating NUL
    return narrow;
}

// The system's own words for a failed open: its message for the error code when there is one,
// else the C runtime's.
std::wstring OpenFailureReason(DWORD systemError, const std::string& detail) {
    if (systemError != 0) {
        wchar_t* buffer = nullptr;
        const DWORD length = FormatMessageW(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, systemError, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
        if (length != 0 && buffer != nullptr) {
            std::wstring reason(buffer, length);
            LocalFree(buffer);
            while (!reason.empty() &&
                   (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L' ')) {
                reason.pop_back();
            }
            if (!reason.empty()) {
                return reason;
            }
        }
    }
    return WidenAnsi(detail);
}

// The Device items in the order of kDeviceChoices.
constexpr UINT kDeviceCommands[] = {IDM_DEVICE_18F4680, IDM_DEVICE_18F458, IDM_DEVICE_FROM_MAP};
static_assert(std::size(kDeviceCommands) == kDeviceChoices.size(),
              "every device has its Device item");

constexpr std::size_t kDeviceFromMap = 2;
static_assert(kDeviceChoices[kDeviceFromMap].fromMap, "From Map is the map's own device");

// Whether the document can be shown by that rule and view: the map has what both need, and the
// views by source file and by symbol, which split the count of every section, are shown only
// with every section counted.
bool DocumentShows(const CMapDocument& document, SectionRule rule, MapView view) {
    return document.Offers(rule) && document.Offers(view) &&
           (view == MapView::kObjects || rule == SectionRule::kAll);
}

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

    AddAboutEntryToSystemMenu();

    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    m_dpi = DpiForWindow(m_hWnd);
    const std::vector<ReportColumn> columns = SizeReportColumns(false);
    for (int column = 0; column < kReportColumnCount; ++column) {
        const auto index = static_cast<size_t>(column);
        m_list.InsertColumn(column, columns[index].header.c_str());
        m_list.SetColumnWidth(column, ScaleForDpi(kInitialColumnWidths[index], m_dpi));
    }
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    MeasureColumnNeeds();

    // Placed by the layout, not by itself, so that its height follows the DPI as the margins do.
    m_status = CreateWindowExW(0, STATUSCLASSNAMEW, L"",
                               WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP | SBARS_TOOLTIPS |
                                   CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER,
                               0, 0, 0, 0, m_hWnd,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUS_BAR)),
                               ResourceInstance(), nullptr);
    if (m_status != nullptr) {
        SendMessageW(m_status, WM_SETFONT, reinterpret_cast<WPARAM>(m_list.GetFont()), FALSE);
    }
    ShowStatus();

    UseAccelerators(IDR_ACCELERATORS);
    DragAcceptFiles(m_hWnd, TRUE);
    if (!m_startPath.empty()) {
        PostMessageW(m_hWnd, kOpenAtStartMessage, 0, 0);
    }
    return TRUE;  // the list view, the first visible control, takes the focus
}

bool CMapSizeDlg::OnCommand(UINT id) {
    switch (id) {
        case IDM_FILE_OPEN:
            return OnFileOpen();
        case IDM_FILE_RELOAD:
            return OnFileReload();
        case IDM_FILE_EXIT:
            return OnFileExit();
        case IDM_DEVICE_18F4680:
            return OnDevice18F4680();
        case IDM_DEVICE_18F458:
            return OnDevice18F458();
        case IDM_DEVICE_FROM_MAP:
            return OnDeviceFromMap();
        case IDM_VIEW_LISTED_SECTIONS:
            return OnViewListedSections();
        case IDM_VIEW_ALL_SECTIONS:
            return OnViewAllSections();
        case IDM_VIEW_OBJECT_FILES:
            return OnViewObjectFiles();
        case IDM_VIEW_SOURCE_FILES:
            return OnViewSourceFiles();
        case IDM_VIEW_SYMBOLS:
            return OnViewSymbols();
        case IDM_COPY_TABLE:
            return OnCopyTable();
        case IDM_HELP_ABOUT:
            return OnHelpAbout();
        default:
            return CDialog::OnCommand(id);
    }
}

bool CMapSizeDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
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
            if (m_status != nullptr) {  // the status bar takes the list's font at the new DPI
                SendMessageW(m_status, WM_SETFONT, reinterpret_cast<WPARAM>(m_list.GetFont()),
                             TRUE);
            }
            MeasureColumnNeeds();
            LayOut();
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

bool CMapSizeDlg::OnFileOpen() {
    CFileDialog dialog(L"map", L"*.map", OFN_FILEMUSTEXIST | OFN_HIDEREADONLY,
                       L"Link maps (*.map)|*.map|All files (*.*)|*.*||");
    if (dialog.DoModal() != IDOK) {
        return true;
    }
    OpenMap(dialog.GetPathName());
    return true;
}

// Reads the map the report shows once more, after a rebuild, keeping the device, the order, and
// the rule and the view where the map still offers them (else its own rule, by object file).
bool CMapSizeDlg::OnFileReload() {
    if (m_path.empty()) {
        return true;
    }
    std::unique_ptr<CMapDocument> document = ReadMap(m_path);
    if (document == nullptr) {
        return true;  // the user was told; the report stays as it was
    }
    SectionRule rule = document->Offers(m_rule) ? m_rule : document->CalledForRule();
    MapView view = document->Offers(m_view) ? m_view : MapView::kObjects;
    if (!DocumentShows(*document, rule, view)) {
        view = MapView::kObjects;
    }
    SizeTable shown;
    try {
        shown = document->Count(rule, view);
    } catch (const MapError&) {
        // It lacks what they need after all; the map's own rule counted it when it was read.
        shown = document->Count(document->CalledForRule(), MapView::kObjects);
    }
    m_document = std::move(document);
    ShowCounted(std::move(shown), true);
    return true;
}

// Shows the map's report by the rule it calls for, by object file, ordered by ROM size, for the
// chosen device; a map that cannot be read leaves everything as it was.
void CMapSizeDlg::OpenMap(const std::wstring& path) {
    std::unique_ptr<CMapDocument> document = ReadMap(path);
    if (document == nullptr) {
        return;  // the user was told; the report stays as it was
    }
    SizeTable shown = document->Count(document->CalledForRule(), MapView::kObjects);
    ClearEntries();
    m_document = std::move(document);
    m_ordering = ColumnOrdering::kByRomSize;
    m_path = path;
    ShowCounted(std::move(shown), false);
    const std::wstring title = L"Tallyfold [ " + path + L" ]";
    SetWindowTextW(m_hWnd, title.c_str());
}

// Reads the whole map and checks that it is one, or tells the user why not and returns null.
std::unique_ptr<CMapDocument> CMapSizeDlg::ReadMap(const std::wstring& path) {
    try {
        CMapFile file(Utf8FromUtf16(std::u16string(path.begin(), path.end())));
        std::string bytes = file.ReadAll();
        return std::make_unique<CMapDocument>(std::move(bytes), file.Name());
    } catch (const MapError& error) {
        ShowMapError(path, error);
    } catch (const std::bad_alloc&) {
        const std::wstring text = L"Cannot read the map file\n" + path +
                                  L"\n\nThere is not enough memory for it.\n\n"
                                  L"The report was left as it was.";
        ShowMessage(text.c_str(), MB_OK | MB_ICONERROR);
    }
    return nullptr;
}

void CMapSizeDlg::ShowMapError(const std::wstring& path, const MapError& error) {
    std::wstring text;
    if (error.GetKind() == MapError::Kind::kOpen) {
        text = L"Cannot open the map file\n" + path + L"\n\n" +
               OpenFailureReason(static_cast<DWORD>(error.SystemError()), error.Detail());
    } else {
        text = L"Cannot read the map file\n" + path + L"\n\n";
        if (error.Line() > 0) {
            text += L"Line " + std::to_wstring(error.Line()) + L": ";
        }
        text += WidenAnsi(error.Detail());
        text += L"\n\nThe report was left as it was.";
    }
    ShowMessage(text.c_str(), MB_OK | MB_ICONERROR);
}

// Esc ends the program; Exit in the File menu does the same.
bool CMapSizeDlg::OnFileExit() {
    OnCancel();
    return true;
}

bool CMapSizeDlg::OnDevice18F4680() {
    ChooseDevice(0);
    return true;
}

bool CMapSizeDlg::OnDevice18F458() {
    ChooseDevice(1);
    return true;
}

// Only a map that gives its capacities can be the device (the item is greyed otherwise).
bool CMapSizeDlg::OnDeviceFromMap() {
    if (m_document != nullptr && m_entries.facts.hasCapacity) {
        ChooseDevice(kDeviceFromMap);
    }
    return true;
}

bool CMapSizeDlg::OnViewListedSections() {
    ChooseCount(SectionRule::kListed, m_view);
    return true;
}

bool CMapSizeDlg::OnViewAllSections() {
    ChooseCount(SectionRule::kAll, m_view);
    return true;
}

bool CMapSizeDlg::OnViewObjectFiles() {
    ChooseCount(m_rule, MapView::kObjects);
    return true;
}

bool CMapSizeDlg::OnViewSourceFiles() {
    ChooseCount(m_rule, MapView::kModules);
    return true;
}

bool CMapSizeDlg::OnViewSymbols() {
    ChooseCount(m_rule, MapView::kSymbols);
    return true;
}

void CMapSizeDlg::ChooseDevice(std::size_t device) {
    m_device = device;
    FillReport(true);
}

// Counts the map already read by another rule or view, keeping the order. Before any map, the
// choice is only recorded (the empty report takes its header). A rule or view the map lacks after
// all is reported and the previous one stays.
void CMapSizeDlg::ChooseCount(SectionRule rule, MapView view) {
    if (m_document == nullptr) {
        m_rule = rule;
        m_view = view;
        m_entries.rule = rule;
        m_entries.view = view;
        FillReport(true);
        return;
    }
    if ((rule == m_rule && view == m_view) || !Shows(rule, view)) {
        return;  // nothing changes, or a greyed item
    }
    SizeTable shown;
    try {
        shown = m_document->Count(rule, view);
    } catch (const MapError& error) {
        ShowMapError(m_path, error);
        return;
    }
    ShowCounted(std::move(shown), false);
}

bool CMapSizeDlg::Shows(SectionRule rule, MapView view) const {
    return m_document == nullptr || DocumentShows(*m_document, rule, view);
}

// Makes a table of the kept document the one shown: in ROM order, then in the order chosen by a
// header click. The listed names of a map with a TOTAL section come with every section counted,
// for the status bar. From Map falls back to the first device when the map gives no capacities.
void CMapSizeDlg::ShowCounted(SizeTable shown, bool keepScrollPosition) {
    std::optional<SizeTable> complete;
    if (shown.rule == SectionRule::kListed && m_document->CalledForRule() == SectionRule::kAll) {
        complete = m_document->Count(SectionRule::kAll, MapView::kObjects);
    }
    m_entries = std::move(shown);
    m_complete = std::move(complete);
    m_rule = m_entries.rule;
    m_view = m_entries.view;
    if (kDeviceChoices[m_device].fromMap && !m_entries.facts.hasCapacity) {
        m_device = 0;
    }
    SortByRomSize(m_entries.rows);
    if (m_ordering != ColumnOrdering::kByRomSize) {
        ApplyOrdering(m_entries.rows, m_ordering);
    }
    FillReport(keepScrollPosition);
}

DeviceProfile CMapSizeDlg::Device() const {
    return ProfileOf(kDeviceChoices[m_device], m_entries.facts);
}

// The whole table as tab-separated text with its header line, ready to paste into a spreadsheet.
bool CMapSizeDlg::OnCopyTable() {
    const std::wstring text = WidenAnsi(TabSeparatedTable(m_report));
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    void* target = memory != nullptr ? GlobalLock(memory) : nullptr;
    if (target == nullptr) {
        if (memory != nullptr) {
            GlobalFree(memory);
        }
        ShowMessage(L"Cannot copy the table: there is not enough memory.", MB_OK | MB_ICONERROR);
        return true;
    }
    std::memcpy(target, text.c_str(), bytes);
    GlobalUnlock(memory);

    // Another program may hold the clipboard for a moment.
    bool opened = false;
    for (int attempt = 0; attempt < 10 && !opened; ++attempt) {
        opened = OpenClipboard(m_hWnd) != FALSE;
        if (!opened) {
            Sleep(20);
        }
    }
    if (!opened) {
        GlobalFree(memory);
        ShowMessage(L"Cannot copy the table: another program is using the clipboard.",
                    MB_OK | MB_ICONERROR);
        return true;
    }
    EmptyClipboard();
    const bool placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    if (!placed) {
        GlobalFree(memory);  // still ours when the clipboard did not take it
        ShowMessage(L"Cannot copy the table: the clipboard did not take it.", MB_OK | MB_ICONERROR);
    }
    return true;
}

bool CMapSizeDlg::OnHelpAbout() {
    ShowAboutBox();
    return true;
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
    const ListPlacement place = ListPlacementForClient(cx, cy, m_dpi);
    m_list.MoveWindow(place.x, place.y, place.width, place.height, TRUE);
    if (m_status != nullptr) {
        const StatusBarPlacement status = StatusBarPlacementForClient(cy, m_dpi);
        MoveWindow(m_status, 0, status.y, cx, status.height, TRUE);
    }
    const auto widths = ReportColumnWidths(cx, m_dpi, m_needs);
    for (int column = 0; column < kReportColumnCount; ++column) {
        m_list.SetColumnWidth(column, widths[static_cast<size_t>(column)]);
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
    if (header.idFrom != IDC_REPORT_LIST) {
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
        default:
            return false;
    }
}

const std::string* CMapSizeDlg::Cell(int item, int column) const {
    if (item < 0 || static_cast<size_t>(item) >= m_report.rows.size() || column < 0 ||
        column >= kReportColumnCount) {
        return nullptr;
    }
    const std::vector<std::string>& cells = m_report.rows[static_cast<size_t>(item)].cells;
    return static_cast<size_t>(column) < cells.size() ? &cells[static_cast<size_t>(column)]
                                                      : nullptr;
}

// Letters typed in the list select the next row whose name starts with them.
int CMapSizeDlg::OnFindItem(const NMLVFINDITEMW& find) const {
    if ((find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) == 0 || find.lvfi.psz == nullptr) {
        return -1;
    }
    return FindRowByNamePrefix(m_report.rows, NarrowAnsi(find.lvfi.psz), find.iStart,
                               (find.lvfi.flags & LVFI_WRAP) != 0);
}

// The list asks for the text of each cell it draws or is asked for.
void CMapSizeDlg::OnGetDispInfo(LVITEMW& item) const {
    if ((item.mask & LVIF_TEXT) == 0 || item.pszText == nullptr || item.cchTextMax <= 0) {
        return;
    }
    const std::string* cell = Cell(item.iItem, item.iSubItem);
    const std::wstring text = cell != nullptr ? WidenAnsi(*cell) : std::wstring();
    const size_t length = std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1));
    std::wmemcpy(item.pszText, text.data(), length);
    item.pszText[length] = L'\0';
}

void CMapSizeDlg::OnGetDispInfo(LVITEMA& item) const {
    if ((item.mask & LVIF_TEXT) == 0 || item.pszText == nullptr || item.cchTextMax <= 0) {
        return;
    }
    const std::string* cell = Cell(item.iItem, item.iSubItem);
    const size_t length =
        cell != nullptr ? std::min(cell->size(), static_cast<size_t>(item.cchTextMax - 1)) : 0;
    if (length > 0) {
        std::memcpy(item.pszText, cell->data(), length);
    }
    item.pszText[length] = '\0';
}

// The Device and View items show the choices as check marks and are greyed where the map shown
// cannot offer them; Reload is greyed while no map is shown; every other item is left as it is.
void CMapSizeDlg::OnInitMenuPopup(HMENU popup) {
    const int count = GetMenuItemCount(popup);
    for (int position = 0; position < count; ++position) {
        const UINT id = GetMenuItemID(popup, position);
        const auto byPosition = static_cast<UINT>(position);
        bool checked = false;
        bool enabled = true;
        switch (id) {
            case IDM_DEVICE_18F4680:
            case IDM_DEVICE_18F458:
                checked = kDeviceCommands[m_device] == id;
                break;
            case IDM_DEVICE_FROM_MAP:
                checked = m_device == kDeviceFromMap;
                enabled = m_document != nullptr && m_entries.facts.hasCapacity;
                break;
            case IDM_VIEW_LISTED_SECTIONS:
            case IDM_VIEW_ALL_SECTIONS: {
                const SectionRule rule =
                    id == IDM_VIEW_ALL_SECTIONS ? SectionRule::kAll : SectionRule::kListed;
                checked = rule == m_rule;
                enabled = Shows(rule, m_view);
                break;
            }
            case IDM_VIEW_OBJECT_FILES:
            case IDM_VIEW_SOURCE_FILES:
            case IDM_VIEW_SYMBOLS: {
                const MapView view = id == IDM_VIEW_OBJECT_FILES   ? MapView::kObjects
                                     : id == IDM_VIEW_SOURCE_FILES ? MapView::kModules
                                                                   : MapView::kSymbols;
                checked = view == m_view;
                enabled = Shows(m_rule, view);
                break;
            }
            case IDM_FILE_RELOAD:
                enabled = !m_path.empty();
                EnableMenuItem(popup, byPosition,
                               MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
                continue;
            default:
                continue;  // separators, nested drop-downs, commands without a check mark
        }
        CheckMenuItem(popup, byPosition, MF_BYPOSITION | (checked ? MF_CHECKED : MF_UNCHECKED));
        EnableMenuItem(popup, byPosition, MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
    }
}

void CMapSizeDlg::OnColumnClick(int column) {
    const ColumnOrdering ordering = OrderingForColumn(column);
    if (ApplyOrdering(m_entries.rows, ordering)) {
        m_ordering = ordering;
        FillReport(false);
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

void CMapSizeDlg::ClearEntries() {
    m_entries = SizeTable();
    m_complete.reset();
    m_report = ReportTable();
    m_list.SetItemCount(0, 0);
}

// The one place where the window asks the core for the report: the entries, in their order, as
// the cells of the rows for the chosen device, under the header of their view.
void CMapSizeDlg::RebuildRows() {
    m_report = BuildReportRows(m_entries, Device(), false);
    if (!m_report.columns.empty()) {
        m_list.SetColumnText(0, m_report.columns[0].header.c_str());
    }
}

// What counted the rows, for which device, and what the map's own figures say of them.
void CMapSizeDlg::ShowStatus() {
    if (m_status == nullptr) {
        return;
    }
    const std::wstring text =
        m_document == nullptr
            ? std::wstring(L"No map open")
            : WidenAnsi(StatusText(m_entries, Device(), m_complete ? &*m_complete : nullptr));
    SendMessageW(m_status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
    // A line wider than the window shows whole as the bar's tooltip.
    SendMessageW(m_status, SB_SETTIPTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// The list is told only how many rows there are; it asks for the cells it shows. A new order
// starts at the top with nothing selected; a new device or a reload keeps the scroll position.
void CMapSizeDlg::FillReport(bool keepScrollPosition) {
    RebuildRows();
    ShowStatus();
    HWND list = m_list.GetSafeHwnd();
    m_list.SetItemCount(static_cast<int>(m_report.rows.size()),
                        keepScrollPosition ? LVSICF_NOSCROLL : 0);
    if (!keepScrollPosition) {
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(&state));
        SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
    }
    InvalidateRect(list, nullptr, TRUE);

    const ColumnNeeds before = m_needs;
    MeasureColumnNeeds();
    if (m_needs.widths != before.widths || m_needs.reserve != before.reserve) {
        GrowToMinimumSize();
        LayOut();
    }
}

// What each column needs, measured with the advance widths of the list's font.
void CMapSizeDlg::MeasureColumnNeeds() {
    HWND list = m_list.GetSafeHwnd();
    HDC dc = GetDC(list);
    if (dc != nullptr) {
        const HGDIOBJ previous = SelectObject(dc, m_list.GetFont());
        for (int byte = 0; byte < 256; ++byte) {
            const char c = static_cast<char>(byte);
            wchar_t wide = 0;
            SIZE size{};
            const bool known = MultiByteToWideChar(CP_ACP, 0, &c, 1, &wide, 1) == 1 &&
                               GetTextExtentPoint32W(dc, &wide, 1, &size);
            m_charWidths[static_cast<size_t>(byte)] = known ? static_cast<int>(size.cx) : 0;
        }
        SelectObject(dc, previous);
        ReleaseDC(list, dc);
    }
    const int reserve =
        2 * SystemMetricForDpi(SM_CXBORDER, m_dpi) + SystemMetricForDpi(SM_CXVSCROLL, m_dpi);
    m_needs = ColumnNeedsFor(m_report, m_charWidths, ScaleForDpi(kCellPadding, m_dpi), reserve);
}
