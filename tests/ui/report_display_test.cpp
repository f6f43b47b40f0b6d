#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "layout/region_rows.h"
#include "resource.h"
#include "window_driver.h"
#include "window_expectations.h"

// What the window shows of the counting: the Other column, the sort arrow, the status bar's
// parts with their warning sign and tooltip, the headings of the first column.

namespace {

// The columns whose headers show a sort arrow, and which way.
std::vector<std::string> SortArrows(const ProgramDriver& program) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(program.List(), LVM_GETHEADER, 0, 0));
    const std::vector<std::string> headers = program.Headers();
    std::vector<std::string> arrows;
    for (size_t column = 0; column < headers.size(); ++column) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        SendMessageW(header, HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&item));
        if ((item.fmt & HDF_SORTDOWN) != 0) {
            arrows.push_back(headers[column] + " down");
        }
        if ((item.fmt & HDF_SORTUP) != 0) {
            arrows.push_back(headers[column] + " up");
        }
    }
    return arrows;
}

using Texts = std::vector<std::string>;

TEST(ReportDisplayTest, TheSortedColumnsHeaderAloneShowsTheArrowLargestFirst) {
    ProgramDriver program;
    EXPECT_EQ(SortArrows(program), Texts{});  // nothing is shown, so nothing is sorted
    PostMessageW(program.Window(), WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf(kWeatherStation)),
                 0);
    ASSERT_TRUE(
        WaitFor([&] { return program.Rows() == CoreRows(kWeatherStation, kDevice18F4680); }));
    EXPECT_EQ(SortArrows(program), Texts{"ROM Size down"});
    const struct {
        const char* heading;
        const char* arrow;
    } clicks[] = {{"RAM %", "RAM % down"},
                  {"Other", "RAM % down"},  // orders nothing
                  {"Object file", "RAM % down"},
                  {"ROM Size", "ROM Size down"}};
    for (const auto& click : clicks) {
        SCOPED_TRACE(click.heading);
        program.ClickHeader(click.heading);
        program.PostCommand(IDM_DEVICE_18F4680);  // handled after the click
        EXPECT_TRUE(WaitFor([&] { return SortArrows(program) == Texts{click.arrow}; }))
            << SortArrows(program).size();
    }
}

// The part of the status bar under the point, in screen coordinates.
POINT MiddleOfPart(HWND bar, int part) {
    RECT rect{};
    SendMessageW(bar, SB_GETRECT, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(&rect));
    POINT middle = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ClientToScreen(bar, &middle);
    return middle;
}

TEST(ReportDisplayTest, StatusBarPartsFitTheirTextsAndItsTooltipShowsTheWholeLine) {
    ProgramDriver program(AppStartedWith(L"tallyfold.exe " + kKilnController));
    SetWindowPos(program.Window(), nullptr, 0, 0, 1260, 600, SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_TRUE(
        WaitFor([&] { return program.Rows() == CoreRows(kKilnController, kDevice18F4680); }));

    // The newest compiler generation: two object files, and many more source files.
    const Texts parts = program.StatusParts();
    ASSERT_EQ(parts.size(), 4u);
    EXPECT_EQ(parts[0], "All sections");
    EXPECT_EQ(parts[1], "18F4680 (ROM 65536, RAM 3328 bytes)");
    EXPECT_EQ(parts[2].rfind("agrees with the map's TOTAL section", 0), 0u) << parts[2];
    const Counting modules{SectionRule::kAll, MapView::kModules};
    const size_t sourceFiles = CoreRows(kKilnController, kDevice18F4680, false, modules).size() - 2;
    EXPECT_EQ(parts[3], "View > Source Files: " + std::to_string(sourceFiles) + " source files");
    EXPECT_FALSE(program.StatusPartHasIcon(2));
    EXPECT_EQ(program.Status(), CoreStatus(kKilnController, kDevice18F4680));

    // Each part is as wide as its text needs, in the bar's own font.
    HWND bar = GetDlgItem(program.Window(), IDC_STATUS_BAR);
    HDC dc = GetDC(bar);
    SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(bar, WM_GETFONT, 0, 0)));
    for (size_t part = 0; part < parts.size(); ++part) {
        SCOPED_TRACE(part);
        SIZE text{};
        GetTextExtentPoint32A(dc, parts[part].c_str(), static_cast<int>(parts[part].size()), &text);
        RECT rect{};
        SendMessageW(bar, SB_GETRECT, part, reinterpret_cast<LPARAM>(&rect));
        EXPECT_GE(rect.right - rect.left, text.cx);
    }
    ReleaseDC(bar, dc);

    // The source files shown: no note.
    program.SendCommand(IDM_VIEW_SOURCE_FILES);
    EXPECT_EQ(program.StatusParts().size(), 3u);
    EXPECT_EQ(program.Status(), CoreStatus(kKilnController, kDevice18F4680, modules));

    // The mouse resting on the bar shows the tooltip with the whole line.
    HWND tip = program.StatusTip();
    ASSERT_NE(tip, nullptr);
    SetForegroundWindow(program.Window());
    const POINT at = MiddleOfPart(bar, 1);
    SetCursorPos(at.x, at.y);
    PostMessageW(bar, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(tip) != FALSE; }, 5000));
    const std::string line = program.Status();
    EXPECT_EQ(WindowText(tip), std::wstring(line.begin(), line.end()));
}

TEST(ReportDisplayTest, CheckThatDisagreesShowsAWarningSignAndSaysSo) {
    TempFolder folder(L"tallyfold-disagrees");
    std::string bytes = ReadFileBytes(kBlinky);
    // The TOTAL section lists 16 bytes more of delay.obj's text than the table places.
    const std::string listed = "text           286      286       20\r\n\tCLASS\tRAM";
    const size_t at = bytes.find(listed);
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, listed.size(), "text           286      286       30\r\n\tCLASS\tRAM");
    const std::wstring map = folder.Write(L"disagrees.map", bytes);

    ProgramDriver program(AppStartedWith(L"tallyfold.exe " + map));
    ASSERT_TRUE(WaitFor([&] { return program.Title() != L"Tallyfold"; }));
    const Texts parts = program.StatusParts();
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_NE(parts[2].find("disagrees with the map's TOTAL section: ROM 588"), std::string::npos)
        << parts[2];
    EXPECT_TRUE(program.StatusPartHasIcon(2));
    EXPECT_FALSE(program.StatusPartHasIcon(1));
    EXPECT_EQ(program.Status(), CoreStatus(map, kDevice18F4680));

    // The same map as the linker wrote it: no sign.
    PostMessageW(program.Window(), WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf(kBlinky)), 0);
    ASSERT_TRUE(WaitFor([&] { return program.Status() == CoreStatus(kBlinky, kDevice18F4680); }));
    EXPECT_FALSE(program.StatusPartHasIcon(2));
}

TEST(ReportDisplayTest, RowsOfAnMplinkFamilyMapAreHeadedAsTheSourceFilesTheyAre) {
    ProgramDriver program(AppStartedWith(L"tallyfold.exe " + kMplinkDataLogger));
    ASSERT_TRUE(
        WaitFor([&] { return program.Rows() == CoreRows(kMplinkDataLogger, kDevice18F4680); }));
    EXPECT_EQ(program.Headers(),
              (Texts{"Source file", "ROM Size", "RAM Size", "Other", "ROM %", "RAM %"}));
    PostMessageW(program.Window(), WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf(kBlinky)), 0);
    ASSERT_TRUE(WaitFor([&] { return program.Rows() == CoreRows(kBlinky, kDevice18F4680); }));
    EXPECT_EQ(program.Headers()[0], "Object file");
}

// Widths the user drags the columns to are kept as shares of the list: a resize keeps them, and
// the columns of another rule find theirs again.
TEST(ReportDisplayTest, ColumnWidthsTheUserSetKeepTheirSharesThroughResizes) {
    ProgramDriver program(AppStartedWith(L"tallyfold.exe " + kBlinky));
    ASSERT_TRUE(WaitFor([&] { return program.Rows().size() == 8; }));
    const auto resize = [&](int cx) {
        SendMessageW(program.Window(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(cx, 500));
    };
    resize(1200);
    ASSERT_EQ(program.ColumnWidths(), (std::vector<int>{643, 107, 107, 107, 107, 102}));
    // The first column dragged narrower, "Other" wider: 1180 pixels of list.
    SendMessageW(program.List(), LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(350, 0));
    SendMessageW(program.List(), LVM_SETCOLUMNWIDTH, 3, MAKELPARAM(400, 0));
    resize(1200);
    const std::vector<int> dragged = {350, 107, 107, 400, 107, 102};
    EXPECT_EQ(program.ColumnWidths(), dragged);
    resize(2380);  // twice the list
    EXPECT_EQ(program.ColumnWidths(), (std::vector<int>{700, 214, 214, 800, 214, 209}));

    program.SendCommand(IDM_VIEW_LISTED_SECTIONS);  // five columns, without Other
    ASSERT_EQ(program.Headers().size(), 5u);
    program.SendCommand(IDM_VIEW_ALL_SECTIONS);
    resize(1200);
    EXPECT_EQ(program.ColumnWidths(), dragged);
}

// Whether the row, as the list paints itself into a bitmap, shows any pixel of the colour.
bool RowShows(HWND list, int row, const RowColour& colour) {
    RECT client{};
    GetClientRect(list, &client);
    RECT item{};
    item.left = LVIR_BOUNDS;
    if (SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item)) == 0) {
        return false;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = client.right;
    info.bmiHeader.biHeight = -client.bottom;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ previous = SelectObject(dc, bitmap);
    SendMessageW(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    const std::uint32_t wanted =
        (std::uint32_t{colour.red} << 16) | (std::uint32_t{colour.green} << 8) | colour.blue;
    bool shown = false;
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    for (LONG y = std::max(item.top, 0L); y < std::min(item.bottom, client.bottom) && !shown; ++y) {
        for (LONG x = std::max(item.left, 0L); x < std::min(item.right, client.right); ++x) {
            if ((pixels[y * client.right + x] & 0xFFFFFF) == wanted) {
                shown = true;
                break;
            }
        }
    }
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return shown;
}

int RowNamed(const Rows& rows, const std::string& name) {
    for (size_t row = 0; row < rows.size(); ++row) {
        if (rows[row][0] == name) {
            return static_cast<int>(row);
        }
    }
    return -1;
}

TEST(ReportDisplayTest, RegionViewShowsTheRegionsInAddressOrderAndTheNearlyFullStandOut) {
    ProgramDriver program(AppStartedWith(L"tallyfold.exe " + kMplinkDataLogger));
    ASSERT_TRUE(
        WaitFor([&] { return program.Rows() == CoreRows(kMplinkDataLogger, kDevice18F4680); }));
    EXPECT_FALSE(program.IsGrayed(IDM_VIEW_REGIONS));
    program.SendCommand(IDM_VIEW_REGIONS);
    EXPECT_TRUE(program.IsChecked(IDM_VIEW_REGIONS));
    EXPECT_FALSE(program.IsChecked(IDM_VIEW_OBJECT_FILES));
    EXPECT_EQ(program.Headers(), (Texts{"Region", "Start", "End", "Size", "Used", "Free",
                                        "Largest free block", "Used %"}));
    const Rows rows = program.Rows();
    EXPECT_EQ(rows, CoreRegionRows(kMplinkDataLogger));
    const int full = RowNamed(rows, "gpr2");
    ASSERT_GE(full, 0);
    EXPECT_EQ(rows[static_cast<size_t>(full)],
              (Texts{"gpr2", "0x000200", "0x0002FF", "256", "256", "0", "0", "100.0000"}));
    EXPECT_EQ(rows.back()[0], "-- Data memory --");
    EXPECT_EQ(program.StatusParts().back(), "1 region nearly full (under 10% free)");

    // The one nearly full region is drawn apart; a region three quarters used is not.
    EXPECT_TRUE(RowShows(program.List(), full, kNearlyFullBackground));
    EXPECT_FALSE(RowShows(program.List(), RowNamed(rows, "gpr1"), kNearlyFullBackground));
    EXPECT_FALSE(RowShows(program.List(), RowNamed(rows, "page"), kNearlyFullBackground));

    // The regions keep their order: a header orders nothing and shows no arrow.
    program.ClickHeader("Used %");
    program.PostCommand(IDM_EDIT_COPY_TABLE);  // handled after the click
    EXPECT_TRUE(
        WaitFor([&] { return ClipboardText() == TabSeparatedLines(program.Headers(), rows); }));
    EXPECT_EQ(program.Rows(), rows);
    EXPECT_EQ(SortArrows(program), Texts{});

    // Back by object file, in the order the rows had.
    program.SendCommand(IDM_VIEW_OBJECT_FILES);
    EXPECT_EQ(program.Rows(), CoreRows(kMplinkDataLogger, kDevice18F4680));
    EXPECT_EQ(SortArrows(program), Texts{"ROM Size down"});
}

}  // namespace
