// How long the window takes with a large map: from the file dialog closing to the rows painted,
// a click on the RAM Size header, and a device switch, each until the list has painted the
// result. Runs the program's own window on a second thread, as the window tests do.
// Usage (under Wine): tallyfold_window_bench MAP...
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/device_profile.h"
#include "layout/map_document.h"
#include "resource.h"
#include "report/size_report.h"
#include "window_driver.h"

namespace {

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

// Polls every millisecond; false after 120 s.
template <typename Condition>
bool Until(Condition condition) {
    const ULONGLONG end = GetTickCount64() + 120000;
    while (!condition()) {
        if (GetTickCount64() > end) {
            return false;
        }
        Sleep(1);
    }
    return true;
}

std::string CellText(HWND list, int item, int column) {
    char text[1024] = {};
    LVITEMA request{};
    request.iSubItem = column;
    request.pszText = text;
    request.cchTextMax = 1024;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(item),
                 reinterpret_cast<LPARAM>(&request));
    return text;
}

int ItemCount(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

// Paints what is pending, on the window's thread, and returns when it has.
void PaintNow(HWND list) {
    RedrawWindow(list, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

bool Measure(const std::wstring& path) {
    const std::string bytes = ReadFileBytes(path);
    if (bytes.empty()) {
        std::fwprintf(stderr, L"cannot read %ls\n", path.c_str());
        return false;
    }
    // Counted as the window counts a map it opens: by the rule the map calls for.
    const CMapDocument document(bytes, "map");
    SizeTable entries = document.Count(document.CalledForRule(), MapView::kObjects);
    const size_t objects = entries.rows.size();
    const DeviceProfile device = ProfileOf(kDefaultDevice, {});
    SortByRomSize(entries.rows);
    const int rows = static_cast<int>(BuildReportRows(entries, device, false).rows.size());
    SortByRamSize(entries.rows);
    const std::string firstByRam = BuildReportRows(entries, device, false).rows.front().cells[0];

    ProgramDriver program;
    HWND list = program.List();
    program.PostCommand(IDM_FILE_OPEN);
    HWND dialog = program.WaitForOwnedDialog(L"Open");
    HWND field = dialog != nullptr ? GetDlgItem(dialog, 0x47C) : nullptr;
    if (field == nullptr) {
        std::fprintf(stderr, "the file dialog did not open\n");
        return false;
    }
    SetWindowTextW(field, path.c_str());
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    const bool closed = Until([&] { return !IsWindow(dialog); });
    const LARGE_INTEGER dialogClosed = Now();
    const bool filled = closed && Until([&] { return ItemCount(list) == rows; });
    PaintNow(list);
    const LARGE_INTEGER shown = Now();

    const LARGE_INTEGER clicked = Now();
    program.ClickHeader(2);
    const bool sorted = Until([&] { return CellText(list, 0, 0) == firstByRam; });
    PaintNow(list);
    const LARGE_INTEGER resorted = Now();

    const LARGE_INTEGER switching = Now();
    program.SendCommand(IDM_DEVICE_18F458);
    PaintNow(list);
    const LARGE_INTEGER switched = Now();

    // The view switches count the map's kept bytes again: the listed names, then every section.
    const LARGE_INTEGER toListed = Now();
    program.SendCommand(IDM_VIEW_LISTED_SECTIONS);
    PaintNow(list);
    const LARGE_INTEGER listed = Now();
    program.SendCommand(IDM_VIEW_ALL_SECTIONS);
    PaintNow(list);
    const LARGE_INTEGER all = Now();

    if (!filled || !sorted) {
        std::fprintf(stderr, "the window did not show the map's %d rows\n", rows);
        return false;
    }
    std::printf("%9zu  %9d  %10.0f  %12.0f  %13.0f  %12.0f  %9.0f  %ls\n", objects, rows,
                Milliseconds(dialogClosed, shown), Milliseconds(clicked, resorted),
                Milliseconds(switching, switched), Milliseconds(toListed, listed),
                Milliseconds(listed, all), path.c_str());
    std::fflush(stdout);
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::printf("%9s  %9s  %10s  %12s  %13s  %12s  %9s  %s\n", "entries", "rows", "open (ms)",
                "header (ms)", "device (ms)", "listed (ms)", "all (ms)", "map");
    bool ok = argc > 1;
    for (int i = 1; i < argc; ++i) {
        ok = Measure(argv[i]) && ok;
    }
    return ok ? 0 : 1;
}
