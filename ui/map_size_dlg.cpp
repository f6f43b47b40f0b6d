#include "map_size_dlg.h"

#include <commctrl.h>
#include <commdlg.h>

#include <cerrno>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <vector>

#include "about_dlg.h"
#include "device_profile.h"
#include "map_error.h"
#include "map_file.h"
#include "object_section_scan.h"
#include "resource.h"
#include "size_report.h"
#include "token_reader.h"
#include "win/file_dialog.h"
#include "win/win_app.h"
#include "window_layout.h"

namespace {

// Map contents are single-byte text; they are shown in the ANSI code page, as the list shows them.
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

std::string Utf8FromWide(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
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

}  // namespace

CMapSizeDlg::CMapSizeDlg(CDialog* parent)
    : CDialog(IDD_TALLYFOLD_DIALOG, parent),
      m_hIcon(LoadIconW(ResourceInstance(), MAKEINTRESOURCEW(IDI_TALLYFOLD))) {}

CMapSizeDlg::~CMapSizeDlg() = default;

void CMapSizeDlg::DoDataExchange(bool saving) {
    CDialog::DoDataExchange(saving);
    BindControl(IDC_REPORT_LIST, m_list);
}

BOOL CMapSizeDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    AddAboutEntryToSystemMenu();

    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    const std::vector<ReportColumn> columns = SizeReportColumns(false);
    for (int column = 0; column < kReportColumnCount; ++column) {
        const auto index = static_cast<size_t>(column);
        m_list.InsertColumn(column, columns[index].header.c_str());
        m_list.SetColumnWidth(column, kInitialColumnWidths[index]);
    }
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);

    m_bDevice18F458 = 0;
    m_bDevice18F4680 = 1;
    return TRUE;  // the list view, the first visible control, takes the focus
}

bool CMapSizeDlg::OnCommand(UINT id) {
    switch (id) {
        case IDM_FILE_OPEN:
            return OnFileOpen();
        case IDM_FILE_EXIT:
            return OnFileExit();
        case IDM_DEVICE_18F4680:
            return OnDevice18F4680();
        case IDM_DEVICE_18F458:
            return OnDevice18F458();
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
        case WM_INITMENUPOPUP:
            OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
            result = 0;
            return true;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->idFrom != IDC_REPORT_LIST || header->code != LVN_COLUMNCLICK) {
                return false;
            }
            OnColumnClick(reinterpret_cast<const NMLISTVIEW*>(lParam)->iSubItem);
            SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, 0);
            result = TRUE;
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
    const std::wstring& path = dialog.GetPathName();
    SizeTable table;
    if (!ReadMap(path, table)) {
        return true;  // the user was told; the report stays as it was
    }
    ClearEntries();
    m_entries = std::move(table);
    SortByRomSize(m_entries.rows);
    FillReport();
    const std::wstring title = L"Tallyfold [ " + path + L" ]";
    SetWindowTextW(m_hWnd, title.c_str());
    return true;
}

// Reads the whole map into the table, or tells the user why it cannot and returns false.
bool CMapSizeDlg::ReadMap(const std::wstring& path, SizeTable& table) {
    try {
        CMapFile file(Utf8FromWide(path));
        CMapStream stream(file.Get(), file.Name());
        ScanObjectSection(stream, table);
    } catch (const MapError& error) {
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
        return false;
    }
    return true;
}

// Esc ends the program; Exit in the File menu does the same.
bool CMapSizeDlg::OnFileExit() {
    OnCancel();
    return true;
}

bool CMapSizeDlg::OnDevice18F4680() {
    m_bDevice18F458 = 0;
    m_bDevice18F4680 = 1;
    FillReport();
    return true;
}

bool CMapSizeDlg::OnDevice18F458() {
    m_bDevice18F458 = 1;
    m_bDevice18F4680 = 0;
    FillReport();
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
    const ListPlacement place = ListPlacementForClient(cx, cy);
    m_list.MoveWindow(place.x, place.y, place.width, place.height, TRUE);
    const auto widths = ReportColumnWidths(cx);
    for (int column = 0; column < kReportColumnCount; ++column) {
        m_list.SetColumnWidth(column, widths[static_cast<size_t>(column)]);
    }
}

// Each Device item shows its own flag as its check mark; every other item is left as it is.
void CMapSizeDlg::OnInitMenuPopup(HMENU popup) {
    const int count = GetMenuItemCount(popup);
    for (int position = 0; position < count; ++position) {
        const UINT id = GetMenuItemID(popup, position);
        std::int32_t flag = 0;
        switch (id) {
            case IDM_DEVICE_18F4680:
                flag = m_bDevice18F4680;
                break;
            case IDM_DEVICE_18F458:
                flag = m_bDevice18F458;
                break;
            default:
                continue;  // separators, nested drop-downs, commands without a check mark
        }
        CheckMenuItem(popup, static_cast<UINT>(position),
                      MF_BYPOSITION | (flag != 0 ? MF_CHECKED : MF_UNCHECKED));
    }
}

void CMapSizeDlg::OnColumnClick(int column) {
    if (ApplyOrdering(m_entries.rows, OrderingForColumn(column))) {
        FillReport();
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
    m_list.DeleteAllItems();
}

void CMapSizeDlg::FillReport() {
    m_list.DeleteAllItems();
    const DeviceChoice& device = m_bDevice18F4680 == 1 ? kDeviceChoices[0] : kDeviceChoices[1];
    const ReportTable report =
        BuildReportRows(m_entries, ProfileOf(device, m_entries.facts), false);
    for (size_t row = 0; row < report.rows.size(); ++row) {
        const std::vector<std::string>& cells = report.rows[row].cells;
        const int item = static_cast<int>(row);
        m_list.InsertItem(item, cells[0].c_str());
        if (report.rows[row].kind == RowKind::kBlank) {
            continue;  // the blank row between the entries and the total
        }
        for (int cell = 1; cell < kReportColumnCount; ++cell) {
            m_list.SetItemText(item, cell, cells[static_cast<size_t>(cell)].c_str());
        }
    }
}
