#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/device_profile.h"
#include "layout/map_document.h"
#include "layout/status_text.h"
#include "layout/window_layout.h"
#include "report/size_report.h"
#include "resource.h"
#include "win/dpi.h"
#include "window_driver.h"
#include "window_expectations.h"

namespace {

const std::vector<std::string> kBlankRow = {"", "", "", "", ""};

TEST(MainWindowTest, StartsEmptyWithItsColumnsAndTitle) {
    ProgramDriver program;
    ASSERT_NE(program.Window(), nullptr);
    EXPECT_EQ(program.Title(), L"Tallyfold");
    EXPECT_EQ(program.Headers(),
              (std::vector<std::string>{"Object file", "ROM Size", "RAM Size", "ROM %", "RAM %"}));
    // No size change reaches the list before it is bound, so it keeps its starting widths.
    EXPECT_EQ(program.ColumnWidths(), (std::vector<int>{400, 75, 75, 75, 75}));
    EXPECT_TRUE(program.Rows().empty());
    EXPECT_EQ(program.Status(), "No map open");

    const DWORD extended =
        static_cast<DWORD>(SendMessageW(program.List(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    EXPECT_EQ(extended & 0x21u, 0x21u);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetGUIThreadInfo(program.ThreadId(), &info));
    EXPECT_EQ(info.hwndFocus, program.List());  // the first control that takes the focus
}

TEST(MainWindowTest, DeviceCommandBeforeAnyFileShowsTheBlankAndTotalRows) {
    ProgramDriver program;
    program.SendCommand(IDM_DEVICE_18F458);
    EXPECT_EQ(program.Rows(), (Rows{kBlankRow, {"-- Total --", "0", "0", "0.0000", "0.0000"}}));
}

TEST(MainWindowTest, ObjectFileHeaderClickBeforeAnyFileChangesNothing) {
    ProgramDriver program;
    program.ClickHeader(0);
    // A size change posted after the click shows when the click has been handled.
    PostMessageW(program.Window(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(1000, 500));
    ASSERT_TRUE(WaitFor([&] {
        return program.ColumnWidths() == std::vector<int>{588, 98, 98, 98, 93};
    }));
    EXPECT_TRUE(program.Rows().empty());
}

TEST(MainWindowTest, RomHeaderClickBeforeAnyFileShowsTheTotalRow) {
    ProgramDriver program;
    program.ClickHeader(3);
    EXPECT_TRUE(WaitFor([&] { return program.Rows().size() == 2; }));
    EXPECT_EQ(program.Rows().back(),
              (std::vector<std::string>{"-- Total --", "0", "0", "0.0000", "0.0000"}));
}

TEST(MainWindowTest, OpeningAMapShowsItsRowsByRomSizeAndItsPathInTheTitle) {
    ProgramDriver program;
    ASSERT_TRUE(program.OpenThroughFileDialog(kBlinky));
    ASSERT_TRUE(WaitFor([&] { return program.Title() != L"Tallyfold"; }));
    EXPECT_EQ(program.Title(), L"Tallyfold [ " + kBlinky + L" ]");
    const Rows rows = program.Rows();
    EXPECT_EQ(rows, CoreRows(kBlinky, kDevice18F4680));
    // Every section counts, as the map's TOTAL section calls for: main.obj's configuration words
    // are neither ROM nor RAM but Other, and the COMMON block has a row.
    EXPECT_EQ(program.Headers(), (std::vector<std::string>{"Object file", "ROM Size", "RAM Size",
                                                           "Other", "ROM %", "RAM %"}));
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[0],
              (std::vector<std::string>{"main.obj", "242", "5", "14", "0.3693", "0.1502"}));
    EXPECT_EQ(rows[6], (std::vector<std::string>(6)));
    EXPECT_EQ(rows[7],
              (std::vector<std::string>{"-- Total --", "572", "14", "14", "0.8728", "0.4207"}));
}

TEST(MainWindowTest, DeviceCommandsChangeOnlyThePercentagesAndTheirCheckMarks) {
    ProgramDriver program;
    EXPECT_TRUE(program.IsChecked(IDM_DEVICE_18F4680));
    EXPECT_FALSE(program.IsChecked(IDM_DEVICE_18F458));

    ASSERT_TRUE(program.OpenThroughFileDialog(kWeatherStation));
    ASSERT_TRUE(WaitFor([&] { return program.Rows().size() > 2; }));
    program.ClickHeader(2);  // RAM order, which a device change must keep
    const Rows byRam4680 = CoreRows(kWeatherStation, kDevice18F4680, true);
    ASSERT_TRUE(WaitFor([&] { return program.Rows() == byRam4680; }));

    program.SendCommand(IDM_DEVICE_18F458);
    EXPECT_EQ(program.Rows(), CoreRows(kWeatherStation, kDevice18F458, true));
    EXPECT_FALSE(program.IsChecked(IDM_DEVICE_18F4680));
    EXPECT_TRUE(program.IsChecked(IDM_DEVICE_18F458));

    program.SendCommand(IDM_DEVICE_18F458);  // the chosen device again: the same rows
    EXPECT_EQ(program.Rows(), CoreRows(kWeatherStation, kDevice18F458, true));

    program.SendCommand(IDM_DEVICE_18F4680);
    EXPECT_EQ(program.Rows(), byRam4680);
    EXPECT_TRUE(program.IsChecked(IDM_DEVICE_18F4680));
    EXPECT_FALSE(program.IsChecked(IDM_DEVICE_18F458));
}

TEST(MainWindowTest, HeaderClicksOrderByRomOrRamAndObjectFileDoesNothing) {
    ProgramDriver program;
    ASSERT_TRUE(program.OpenThroughFileDialog(kWeatherStation));
    const Rows byRom = CoreRows(kWeatherStation, kDevice18F4680);
    const Rows byRam = CoreRows(kWeatherStation, kDevice18F4680, true);
    ASSERT_NE(byRom, byRam);
    ASSERT_TRUE(WaitFor([&] { return program.Rows() == byRom; }));

    // Every section counts: the Other column orders nothing.
    const struct {
        const char* heading;
        const Rows& expected;
    } clicks[] = {{"RAM Size", byRam}, {"ROM Size", byRom}, {"RAM %", byRam},
                  {"Other", byRam},    {"RAM %", byRam},    {"ROM %", byRom}};
    for (const auto& click : clicks) {
        SCOPED_TRACE(click.heading);
        program.ClickHeader(click.heading);
        // A size change posted after the click shows when the click has been handled.
        PostMessageW(program.Window(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(1000, 500));
        EXPECT_TRUE(WaitFor([&] { return program.Rows() == click.expected; }));
    }

    // Rows in RAM order, then a click on "Object file" followed by a device change that shows
    // when both were handled: the order must still be by RAM.
    program.ClickHeader(2);
    ASSERT_TRUE(WaitFor([&] { return program.Rows() == byRam; }));
    program.ClickHeader(0);
    program.PostCommand(IDM_DEVICE_18F458);
    const Rows byRam458 = CoreRows(kWeatherStation, kDevice18F458, true);
    EXPECT_TRUE(WaitFor([&] { return program.Rows() == byRam458; }));
}

TEST(MainWindowTest, OpeningAnotherMapAfterRamOrderShowsItByRomSize) {
    ProgramDriver program;
    ASSERT_TRUE(program.OpenThroughFileDialog(kWeatherStation));
    program.ClickHeader(2);
    ASSERT_TRUE(
        WaitFor([&] { return program.Rows() == CoreRows(kWeatherStation, kDevice18F4680, true); }));
    ASSERT_TRUE(program.OpenThroughFileDialog(kWeatherStation));
    EXPECT_TRUE(
        WaitFor([&] { return program.Rows() == CoreRows(kWeatherStation, kDevice18F4680); }));
}

TEST(MainWindowTest, ResizingLaysOutTheListAndItsColumns) {
    ProgramDriver program;
    const struct {
        int cx;
        int cy;
        std::vector<int> widths;
    } cases[] = {
        {1000, 500, {588, 98, 98, 98, 93}},
        {733, 300, {427, 71, 71, 71, 66}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cx);
        SendMessageW(program.Window(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(c.cx, c.cy));
        EXPECT_EQ(program.ColumnWidths(), c.widths);
        RECT list{};
        GetWindowRect(program.List(), &list);
        MapWindowPoints(nullptr, program.Window(), reinterpret_cast<POINT*>(&list), 2);
        EXPECT_EQ(list.right - list.left, c.cx - 20);
        EXPECT_EQ(list.bottom - list.top, c.cy - 20 - 22);  // above the status bar
        RECT status{};
        GetWindowRect(GetDlgItem(program.Window(), IDC_STATUS_BAR), &status);
        MapWindowPoints(nullptr, program.Window(), reinterpret_cast<POINT*>(&status), 2);
        EXPECT_EQ(status.top, c.cy - 22);
        EXPECT_EQ(status.right - status.left, c.cx);
    }

    // A real resize of the window reaches the same layout through the system.
    RECT frame{};
    GetWindowRect(program.Window(), &frame);
    SetWindowPos(program.Window(), nullptr, 0, 0, 900, 600, SWP_NOMOVE | SWP_NOZORDER);
    RECT client{};
    GetClientRect(program.Window(), &client);
    std::vector<int> expected;
    const int w = client.right - 20;
    expected = {3 * w / 5, w / 10, w / 10, w / 10, w / 10 - 5};
    EXPECT_TRUE(WaitFor([&] { return program.ColumnWidths() == expected; }));
}

TEST(MainWindowTest, SystemMenuEndsWithASeparatorAndTheAboutEntry) {
    ProgramDriver program;
    HMENU menu = GetSystemMenu(program.Window(), FALSE);
    ASSERT_NE(menu, nullptr);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    EXPECT_NE(GetMenuState(menu, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR, 0u);
    EXPECT_EQ(GetMenuItemID(menu, count - 1), static_cast<UINT>(IDM_ABOUTBOX));
    wchar_t text[64] = {};
    GetMenuStringW(menu, static_cast<UINT>(count - 1), text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, L"&About tallyfold...");
}

// Enter and Esc, on a selected row too, leave the window and its report as they were; Alt+F4,
// the close button and File > Exit end the program.
TEST(MainWindowTest, EnterAndEscKeepTheWindowAndAltF4CloseAndExitEndTheProgram) {
    {
        ProgramDriver program(AppStartedWith(L"tallyfold.exe " + kBlinky));
        ASSERT_TRUE(WaitFor([&] { return program.Rows().size() == 8; }));
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(program.List(), LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&state));
        const Rows before = program.Rows();
        program.PressKey(VK_RETURN);
        program.PressKey(VK_ESCAPE);
        PostMessageW(program.List(), WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageW(program.List(), WM_KEYDOWN, VK_RETURN, 0);
        // A command sent after the keys shows when they have been handled.
        program.SendCommand(IDM_DEVICE_18F458);
        EXPECT_FALSE(program.WaitForExit(500));
        EXPECT_TRUE(IsWindowVisible(program.Window()));
        EXPECT_EQ(program.Rows(), CoreRows(kBlinky, kDevice18F458));
        EXPECT_EQ(program.Title(), L"Tallyfold [ " + kBlinky + L" ]");
    }
    const struct {
        const char* name;
        UINT message;
        WPARAM value;
    } endings[] = {{"close button", WM_SYSCOMMAND, SC_CLOSE},
                   {"Alt+F4", 0, VK_F4},
                   {"File > Exit", WM_COMMAND, IDM_FILE_EXIT}};
    for (const auto& ending : endings) {
        SCOPED_TRACE(ending.name);
        ProgramDriver program;
        ASSERT_NE(program.Window(), nullptr);
        if (ending.message == 0) {
            program.PressKey(static_cast<WORD>(ending.value), {VK_MENU});
        } else {
            PostMessageW(program.Window(), ending.message, ending.value, 0);
        }
        ASSERT_TRUE(program.WaitForExit());
        EXPECT_EQ(program.StartupResult(), FALSE);
        EXPECT_FALSE(IsWindow(program.Window()));
    }
}

// Every item of the menu bar and of the list's menu is the window's own command: none passes
// on to the application, as a command the window forgot would. Exit goes last.
TEST(MainWindowTest, EveryMenuCommandIsTakenByTheWindow) {
    std::vector<std::pair<std::wstring, UINT>> commands = MenuCommands(IDM_MAIN_MENU);
    for (const auto& item : MenuCommands(IDM_LIST_MENU)) {
        commands.push_back(item);
    }
    ASSERT_EQ(commands.size(), 23u);
    auto owned = std::make_unique<CommandRecordingApp>();
    CommandRecordingApp* app = owned.get();
    ProgramDriver program(std::move(owned));
    // Find Next, with nothing looked for yet, asks what to find.
    const std::pair<UINT, const wchar_t*> dialogs[] = {{IDM_FILE_OPEN, L"Open"},
                                                       {IDM_EDIT_FIND, L"Find"},
                                                       {IDM_EDIT_FIND_NEXT, L"Find"},
                                                       {IDM_DEVICE_OTHER, L"Other Device"},
                                                       {IDM_HELP_ABOUT, L"About tallyfold"}};
    for (const auto& [text, id] : commands) {
        SCOPED_TRACE(testing::Message() << id);
        if (id == IDM_FILE_EXIT) {
            continue;
        }
        const auto dialog = std::find_if(std::begin(dialogs), std::end(dialogs),
                                         [id](const auto& d) { return d.first == id; });
        if (dialog == std::end(dialogs)) {
            program.SendCommand(id);
            continue;
        }
        program.PostCommand(id);
        HWND box = program.WaitForOwnedDialog(dialog->second);
        ASSERT_NE(box, nullptr);
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(program.Window()) != FALSE; }));
    }
    EXPECT_EQ(app->Commands(), std::vector<UINT>{});
    program.PostCommand(IDM_FILE_EXIT);
    EXPECT_TRUE(program.WaitForExit());
    EXPECT_EQ(app->Commands(), std::vector<UINT>{});
}

TEST(MainWindowTest, BadMapShowsAnErrorAndKeepsTheReport) {
    TempFolder folder(L"tallyfold-bad");
    const std::wstring bad = folder.Write(L"bad.map",
                                          "main.obj\r\n\t\ttext 1A4 1A4 E2 0 0\r\n"
                                          "led.obj\r\n\t\ttext BA BA 10c 0 0\r\nCOMMON\r\n");
    ProgramDriver program;
    ASSERT_TRUE(program.OpenThroughFileDialog(kBlinky));
    ASSERT_TRUE(WaitFor([&] { return program.Rows().size() == 8; }));
    program.SendCommand(IDM_DEVICE_18F458);
    program.ClickHeader(2);
    const Rows before = CoreRows(kBlinky, kDevice18F458, true);
    ASSERT_TRUE(WaitFor([&] { return program.Rows() == before; }));
    const std::wstring titleBefore = program.Title();

    ASSERT_TRUE(program.OpenThroughFileDialog(bad));
    const MessageBoxView box = WaitForMessageBox(program);
    ASSERT_NE(box.box, nullptr);
    EXPECT_NE(box.text.find(bad), std::wstring::npos) << box.text.c_str();
    EXPECT_NE(box.text.find(L"Line 4: section length '10c' is not upper-case hexadecimal"),
              std::wstring::npos);
    EXPECT_TRUE(box.errorIcon);
    EXPECT_FALSE(IsWindowEnabled(program.Window()));  // the box is modal over the window

    PostMessageW(box.box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box.box); }));
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(program.Window()) != FALSE; }));
    EXPECT_EQ(program.Rows(), before);
    EXPECT_EQ(program.Title(), titleBefore);
    EXPECT_TRUE(program.IsChecked(IDM_DEVICE_18F458));
    // The entries are the old ones too: a click re-sorts them by ROM size.
    program.ClickHeader(1);
    EXPECT_TRUE(WaitFor([&] { return program.Rows() == CoreRows(kBlinky, kDevice18F458); }));
}

TEST(MainWindowTest, FileThatCannotBeOpenedShowsTheSystemsReason) {
    TempFolder folder(L"tallyfold-locked");
    const std::wstring locked = folder.Write(L"locked.map", ReadFileBytes(kBlinky));
    ProgramDriver program;
    ASSERT_TRUE(program.OpenThroughFileDialog(kWeatherStation));
    ASSERT_TRUE(WaitFor([&] { return program.Rows().size() > 2; }));
    const Rows before = program.Rows();
    const std::wstring titleBefore = program.Title();

    // Held open with no sharing, as an editor or a running build may hold it.
    HANDLE holder = CreateFileW(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    const bool closed = program.OpenThroughFileDialog(locked);
    const MessageBoxView box = WaitForMessageBox(program);
    CloseHandle(holder);
    ASSERT_TRUE(closed);
    ASSERT_NE(box.box, nullptr);
    EXPECT_NE(box.text.find(L"Cannot open the map file"), std::wstring::npos) << box.text.c_str();
    EXPECT_NE(box.text.find(locked), std::wstring::npos);
    EXPECT_TRUE(box.errorIcon);
    PostMessageW(box.box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box.box); }));
    EXPECT_EQ(program.Rows(), before);
    EXPECT_EQ(program.Title(), titleBefore);
}

TEST(MainWindowTest, CancelledFileDialogChangesNothing) {
    ProgramDriver program;
    ASSERT_TRUE(program.OpenThroughFileDialog(kBlinky));
    ASSERT_TRUE(WaitFor([&] { return program.Rows().size() == 8; }));
    const Rows before = program.Rows();
    const std::wstring titleBefore = program.Title();

    program.PostCommand(IDM_FILE_OPEN);
    HWND dialog = program.WaitForOwnedDialog(L"Open");
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(IsWindowEnabled(program.Window()));
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(program.Window()) != FALSE; }));
    EXPECT_EQ(program.Rows(), before);
    EXPECT_EQ(program.Title(), titleBefore);
}

TEST(MainWindowTest, FileDialogOffersLinkMapsFirst) {
    ProgramDriver program;
    program.PostCommand(IDM_FILE_OPEN);
    HWND dialog = program.WaitForOwnedDialog(L"Open");
    ASSERT_NE(dialog, nullptr);
    HWND types = GetDlgItem(dialog, 0x470);  // the file-type combo box (cmb1)
    ASSERT_NE(types, nullptr);
    ASSERT_EQ(SendMessageW(types, CB_GETCOUNT, 0, 0), 2);
    wchar_t text[128] = {};
    SendMessageW(types, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, L"Link maps (*.map)");
    SendMessageW(types, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, L"All files (*.*)");
    EXPECT_EQ(SendMessageW(types, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(WindowText(GetDlgItem(dialog, 0x47C)), L"*.map");
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
}

TEST(MainWindowTest, MapInAFolderOutsideTheAnsiCodePageOpensAndShowsItsPath) {
    TempFolder folder(L"tallyfold-\x043a\x0430\x0440\x0442\x044b-\x5730\x56f3");
    const std::wstring map =
        folder.Write(L"\x03c7\x03ac\x03c1\x03c4\x03b7\x03c2.map", ReadFileBytes(kBlinky));
    ProgramDriver program;
    ASSERT_TRUE(program.OpenThroughFileDialog(map));
    ASSERT_TRUE(WaitFor([&] { return program.Title() != L"Tallyfold"; }));
    EXPECT_EQ(program.Title(), L"Tallyfold [ " + map + L" ]");
    EXPECT_EQ(program.Rows(), CoreRows(kBlinky, kDevice18F4680));
}

TEST(MainWindowTest, MapIsReadAsBytesPastAnEndOfFileCharacter) {
    TempFolder folder(L"tallyfold-binary");
    const std::wstring map = folder.Write(
        L"eof.map", std::string("a.obj\r\ntext 0 0 10 0 0\r\n\x1A\r\nb.obj\r\ntext 0 0 20 0 0\r\n"
                                "COMMON\r\n"));
    ProgramDriver program;
    ASSERT_TRUE(program.OpenThroughFileDialog(map));
    ASSERT_TRUE(WaitFor([&] { return program.Title() != L"Tallyfold"; }));
    const Rows rows = program.Rows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0][0], "b.obj");
    EXPECT_EQ(rows[1][0], "a.obj");
    EXPECT_EQ(rows[3][1], "48");
}

}  // namespace

namespace {

TEST(MainWindowTest, PathOnTheCommandLineOpensAtStartAndABadOneShowsTheErrorOverTheEmptyWindow) {
    TempFolder folder(L"tallyfold start \x043a\x0430\x0440\x0442\x044b");
    const std::wstring map = folder.Write(L"blinky copy.map", ReadFileBytes(kBlinky));
    {
        ProgramDriver program(
            AppStartedWith(L"\"C:\\Program Files\\tallyfold.exe\" \"" + map + L"\""));
        ASSERT_TRUE(WaitFor([&] { return program.Title() != L"Tallyfold"; }));
        EXPECT_EQ(program.Title(), L"Tallyfold [ " + map + L" ]");
        EXPECT_EQ(program.Rows(), CoreRows(kBlinky, kDevice18F4680));
    }
    // A file that is missing, or no map: the box says why, and since no report was shown, none
    // is said to be left as it was.
    const std::wstring missing = folder.Path() + L"\\no such.map";
    const std::wstring notes = folder.Write(L"notes.map", "Shopping list\r\n\r\nmilk\r\n");
    const struct {
        const std::wstring& path;
        const wchar_t* says;
    } starts[] = {{missing, L"Cannot open the map file"}, {notes, L"Cannot read the map file"}};
    for (const auto& start : starts) {
        SCOPED_TRACE(testing::Message() << start.says);
        ProgramDriver program(AppStartedWith(L"tallyfold.exe \"" + start.path + L"\""));
        const MessageBoxView box = WaitForMessageBox(program);
        ASSERT_NE(box.box, nullptr);
        EXPECT_NE(box.text.find(start.says), std::wstring::npos) << box.text.c_str();
        EXPECT_NE(box.text.find(start.path), std::wstring::npos);
        EXPECT_EQ(box.text.find(L"report"), std::wstring::npos) << box.text.c_str();
        EXPECT_TRUE(IsWindowVisible(program.Window()));
        PostMessageW(box.box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(box.box); }));
        EXPECT_EQ(program.Title(), L"Tallyfold");
        EXPECT_TRUE(program.Rows().empty());
    }
}

TEST(MainWindowTest, DroppedFileIsOpenedWithTheChosenDevice) {
    ProgramDriver program;
    EXPECT_TRUE(program.IsGrayed(IDM_FILE_RELOAD));  // nothing to read again yet
    program.SendCommand(IDM_DEVICE_18F458);
    PostMessageW(program.Window(), WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf(kWeatherStation)),
                 0);
    ASSERT_TRUE(WaitFor([&] { return program.Title() != L"Tallyfold"; }));
    EXPECT_EQ(program.Title(), L"Tallyfold [ " + kWeatherStation + L" ]");
    EXPECT_EQ(program.Rows(), CoreRows(kWeatherStation, kDevice18F458));
    EXPECT_FALSE(program.IsGrayed(IDM_FILE_RELOAD));
}

TEST(MainWindowTest, ReloadReadsTheMapAgainKeepingDeviceAndOrder) {
    TempFolder folder(L"tallyfold-reload");
    const std::wstring map = folder.Write(L"build.map", ReadFileBytes(kBlinky));
    ProgramDriver program(AppStartedWith(L"tallyfold.exe " + map));
    ASSERT_TRUE(WaitFor([&] { return program.Rows() == CoreRows(kBlinky, kDevice18F4680); }));
    program.SendCommand(IDM_DEVICE_18F458);
    program.ClickHeader(2);
    ASSERT_TRUE(WaitFor([&] { return program.Rows() == CoreRows(kBlinky, kDevice18F458, true); }));

    folder.Write(L"build.map", ReadFileBytes(kBlinkyV2));  // the next build
    program.PressKey(VK_F5);
    const Rows rebuilt = CoreRows(kBlinkyV2, kDevice18F458, true);
    ASSERT_NE(rebuilt, CoreRows(kBlinky, kDevice18F458, true));
    EXPECT_TRUE(WaitFor([&] { return program.Rows() == rebuilt; }));
    EXPECT_EQ(program.Title(), L"Tallyfold [ " + map + L" ]");
    EXPECT_TRUE(program.IsChecked(IDM_DEVICE_18F458));

    // A map that can no longer be read leaves the report as it was.
    folder.Write(L"build.map", "a.obj\r\ntext 0 0 1g 0 0\r\n");
    program.PostCommand(IDM_FILE_RELOAD);
    const MessageBoxView box = WaitForMessageBox(program);
    ASSERT_NE(box.box, nullptr);
    EXPECT_NE(box.text.find(L"Line 2: section length '1g'"), std::wstring::npos)
        << box.text.c_str();
    PostMessageW(box.box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box.box); }));
    EXPECT_EQ(program.Rows(), rebuilt);
}

TEST(MainWindowTest, AccessKeysAndCtrlOOpenTheFileDialog) {
    const struct {
        const char* name;
        std::vector<std::pair<WORD, std::vector<WORD>>> keys;
    } ways[] = {
        {"Alt+F, O", {{'F', {VK_MENU}}, {'O', {}}}},
        {"Ctrl+O", {{'O', {VK_CONTROL}}}},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        ProgramDriver program;
        for (const auto& [key, modifiers] : way.keys) {
            if (modifiers.empty()) {
                ASSERT_TRUE(WaitFor([&] { return !program.OpenMenus().empty(); }));
                program.PressKey(key);
            } else {
                program.PressKey(key, {modifiers[0]});
            }
        }
        HWND dialog = program.WaitForOwnedDialog(L"Open");
        ASSERT_NE(dialog, nullptr);
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
    }
}

TEST(MainWindowTest, CtrlCAndCopyPutTheCellsShownOnTheClipboardWhenNoRowIsSelected) {
    ProgramDriver program(AppStartedWith(L"tallyfold.exe " + kWeatherStation));
    ASSERT_TRUE(WaitFor([&] { return program.Rows().size() > 2; }));
    program.SendCommand(IDM_DEVICE_18F458);
    const Rows shown = program.Rows();
    ASSERT_EQ(shown, CoreRows(kWeatherStation, kDevice18F458));

    const auto clear = [] {
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        CloseClipboard();
    };
    clear();
    program.PressKey('C', {VK_CONTROL});
    EXPECT_TRUE(WaitFor([&] {
        return ClipboardText() == TabSeparatedLines(program.Headers(), shown);
    })) << ClipboardText().c_str();

    clear();
    PostMessageW(program.Window(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(program.List()), -1);
    ASSERT_TRUE(WaitFor([&] { return !program.OpenMenus().empty(); }));
    program.PressKey('C');  // the item's access key
    EXPECT_TRUE(WaitFor([&] {
        return ClipboardText() == TabSeparatedLines(program.Headers(), shown);
    })) << ClipboardText().c_str();
}

// Moved to a monitor of 144 DPI: the window takes the size the system suggests and lays the list
// out with the margins of that DPI.
TEST(MainWindowTest, DpiChangeTakesTheSuggestedSizeAndScalesTheMargins) {
    ProgramDriver program;
    RECT suggested = {20, 30, 1220, 830};
    SendMessageW(program.Window(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                 reinterpret_cast<LPARAM>(&suggested));
    RECT frame{};
    GetWindowRect(program.Window(), &frame);
    EXPECT_EQ(frame.right - frame.left, 1200);
    EXPECT_EQ(frame.bottom - frame.top, 800);
    const auto listLeft = [&] {
        RECT list{};
        GetWindowRect(program.List(), &list);
        MapWindowPoints(nullptr, program.Window(), reinterpret_cast<POINT*>(&list), 2);
        return list.left;
    };
    EXPECT_TRUE(WaitFor([&] { return listLeft() == 15; })) << listLeft();
}

TEST(MainWindowTest, TypingALetterSelectsTheNextRowWhoseNameStartsWithIt) {
    ProgramDriver program(AppStartedWith(L"tallyfold.exe " + kWeatherStation));
    ASSERT_TRUE(WaitFor([&] { return program.Rows().size() > 2; }));
    const Rows rows = program.Rows();
    const auto selected = [&] {
        return static_cast<int>(
            SendMessageW(program.List(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    };
    int expected = -1;
    for (size_t row = 0; row < rows.size() && expected < 0; ++row) {
        if (rows[row][0].rfind("memcpy", 0) == 0) {
            expected = static_cast<int>(row);
        }
    }
    ASSERT_GT(expected, 0);
    program.PressKey('M');
    EXPECT_TRUE(WaitFor([&] { return selected() == expected; })) << selected();
}

// The widths of the number columns, each at least what the list itself finds its widest cell and
// header need (LVSCW_AUTOSIZE_USEHEADER; on the last column that fills the list, so there its
// cells alone), which the probe sets: call it last.
void ExpectEveryColumnShowsItsWidestText(const ProgramDriver& program) {
    const std::vector<int> widths = program.ColumnWidths();
    for (int column = 1; column < 5; ++column) {
        SCOPED_TRACE(column);
        const int autosize = column == 4 ? LVSCW_AUTOSIZE : LVSCW_AUTOSIZE_USEHEADER;
        SendMessageW(program.List(), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
                     MAKELPARAM(autosize, 0));
        const int needed = static_cast<int>(
            SendMessageW(program.List(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
        EXPECT_GE(widths[static_cast<size_t>(column)], needed);
    }
}

// Shrinks the window as far as the system lets it and checks the columns there.
void ExpectTheSmallestWindowShowsEveryNumber(const ProgramDriver& program) {
    SetWindowPos(program.Window(), nullptr, 0, 0, 50, 50, SWP_NOMOVE | SWP_NOZORDER);
    MINMAXINFO limits{};
    SendMessageW(program.Window(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    RECT frame{};
    GetWindowRect(program.Window(), &frame);
    EXPECT_EQ(frame.right - frame.left, limits.ptMinTrackSize.x);
    EXPECT_EQ(frame.bottom - frame.top, limits.ptMinTrackSize.y);
    EXPECT_GT(limits.ptMinTrackSize.x, 200);
    ExpectEveryColumnShowsItsWidestText(program);
}

TEST(MainWindowTest, SmallestWindowShowsEveryNumberOfTheReportWhole) {
    TempFolder folder(L"tallyfold-wide");
    // Sizes of ten digits: the columns' tenths at the starting size are too narrow for them.
    const std::wstring map = folder.Write(
        L"wide.map", "big.obj\r\ntext 0 0 7FFFFFFF 0 0\r\nbss 0 0 7FFFFFFF 0 1\r\nCOMMON\r\n");
    ProgramDriver program(AppStartedWith(L"tallyfold.exe " + map));
    ASSERT_TRUE(WaitFor([&] { return program.Rows().size() == 3; }));
    ExpectTheSmallestWindowShowsEveryNumber(program);
}

}  // namespace

namespace {

// Run by ctest in a prefix set to a high DPI (tests/ui/run-at-dpi), which names it in
// TALLYFOLD_TEST_DPI; skipped in a run of the other suites.
TEST(HighDpiTest, LayoutFollowsTheDpiAndTheSmallestWindowShowsEveryNumber) {
    const char* setting = std::getenv("TALLYFOLD_TEST_DPI");
    if (setting == nullptr) {
        GTEST_SKIP() << "runs at the DPI that tests/ui/run-at-dpi sets";
    }
    const int dpi = std::atoi(setting);
    {
        ProgramDriver program;
        ASSERT_NE(program.Window(), nullptr);
        EXPECT_EQ(DpiForWindow(program.Window()), dpi);  // the manifest's awareness holds
        std::vector<int> initial;
        for (int width : kInitialColumnWidths) {
            initial.push_back(ScaleForDpi(width, dpi));
        }
        EXPECT_EQ(program.ColumnWidths(), initial);
        SendMessageW(program.Window(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(1000, 700));
        RECT list{};
        GetWindowRect(program.List(), &list);
        MapWindowPoints(nullptr, program.Window(), reinterpret_cast<POINT*>(&list), 2);
        EXPECT_EQ(list.left, ScaleForDpi(10, dpi));
        EXPECT_EQ(list.right - list.left, 1000 - 2 * ScaleForDpi(10, dpi));
    }
    ProgramDriver program(AppStartedWith(L"tallyfold.exe " + kWeatherStation));
    ASSERT_TRUE(
        WaitFor([&] { return program.Rows() == CoreRows(kWeatherStation, kDevice18F4680); }));
    ExpectTheSmallestWindowShowsEveryNumber(program);
}

}  // namespace

namespace {

// The View menu's items in menu order: Listed, All, then Object, Source, Functions and Variables,
// Memory Regions.
constexpr UINT kViewItems[] = {IDM_VIEW_LISTED_SECTIONS, IDM_VIEW_ALL_SECTIONS,
                               IDM_VIEW_OBJECT_FILES,    IDM_VIEW_SOURCE_FILES,
                               IDM_VIEW_SYMBOLS,         IDM_VIEW_REGIONS};

std::vector<bool> ViewChecks(const ProgramDriver& program) {
    std::vector<bool> checks;
    for (UINT id : kViewItems) {
        checks.push_back(program.IsChecked(id));
    }
    return checks;
}

std::vector<bool> ViewGreyed(const ProgramDriver& program) {
    std::vector<bool> greyed;
    for (UINT id : kViewItems) {
        greyed.push_back(program.IsGrayed(id));
    }
    return greyed;
}

TEST(MainWindowTest, ViewMenuChecksTheRuleTheMapCallsForAndSwitchingCountsItAgain) {
    ProgramDriver program;
    // No map yet: every item can be chosen, and a choice is only recorded.
    EXPECT_EQ(ViewGreyed(program), (std::vector<bool>{false, false, false, false, false, false}));
    program.SendCommand(IDM_VIEW_SOURCE_FILES);
    EXPECT_EQ(program.Headers()[0], "Source file");
    EXPECT_EQ(program.Status(), "No map open");

    // blinky.map has a TOTAL section: every section counts, by object file, its Other bytes in
    // a column of their own; it has no MODULE INFORMATION and no function bounds.
    program.SendCommand(IDM_VIEW_LISTED_SECTIONS);
    ASSERT_TRUE(program.OpenThroughFileDialog(kBlinky));
    ASSERT_TRUE(WaitFor([&] { return program.Rows() == CoreRows(kBlinky, kDevice18F4680); }));
    EXPECT_EQ(program.Headers()[0], "Object file");
    EXPECT_EQ(ViewChecks(program), (std::vector<bool>{false, true, true, false, false, false}));
    EXPECT_EQ(ViewGreyed(program), (std::vector<bool>{false, false, false, true, true, false}));
    EXPECT_EQ(program.Status(), CoreStatus(kBlinky, kDevice18F4680));
    EXPECT_EQ(program.Headers()[3], "Other");

    const Counting listed{SectionRule::kListed};
    program.SendCommand(IDM_VIEW_LISTED_SECTIONS);
    EXPECT_EQ(program.Rows(), CoreRows(kBlinky, kDevice18F4680, false, listed));
    EXPECT_EQ(ViewChecks(program), (std::vector<bool>{true, false, true, false, false, false}));
    // The view by region places every section: the listed names cannot make it.
    EXPECT_TRUE(program.IsGrayed(IDM_VIEW_REGIONS));
    EXPECT_EQ(program.Status(), CoreStatus(kBlinky, kDevice18F4680, listed));
    EXPECT_NE(program.Status().find("the listed names found ROM 586 of 572"), std::string::npos)
        << program.Status();

    // The order and the device stay through a switch.
    program.ClickHeader(2);
    program.PostCommand(IDM_DEVICE_18F458);
    program.PostCommand(IDM_VIEW_ALL_SECTIONS);
    EXPECT_TRUE(WaitFor([&] { return program.Rows() == CoreRows(kBlinky, kDevice18F458, true); }));
    EXPECT_EQ(program.Status(), CoreStatus(kBlinky, kDevice18F458));
}

TEST(MainWindowTest, SourceFilesAndFunctionsAndVariablesShowTheCoresRowsUnderTheirHeaders) {
    ProgramDriver program(AppStartedWith(L"tallyfold.exe " + kKilnController));
    ASSERT_TRUE(
        WaitFor([&] { return program.Rows() == CoreRows(kKilnController, kDevice18F4680); }));
    EXPECT_EQ(ViewGreyed(program), (std::vector<bool>{false, false, false, false, false, false}));

    const struct {
        UINT command;
        MapView view;
        const char* header;
    } views[] = {{IDM_VIEW_SOURCE_FILES, MapView::kModules, "Source file"},
                 {IDM_VIEW_SYMBOLS, MapView::kSymbols, "Symbol"},
                 {IDM_VIEW_OBJECT_FILES, MapView::kObjects, "Object file"}};
    bool byRam = false;  // from the first view on: the order chosen stays through a switch
    for (const auto& v : views) {
        SCOPED_TRACE(v.header);
        const Counting counting{SectionRule::kAll, v.view};
        program.SendCommand(v.command);
        EXPECT_EQ(program.Headers()[0], v.header);
        EXPECT_EQ(program.Rows(), CoreRows(kKilnController, kDevice18F4680, byRam, counting));
        EXPECT_EQ(program.Status(), CoreStatus(kKilnController, kDevice18F4680, counting));
        // The views split the count of every section: the listed names cannot make them.
        EXPECT_EQ(program.IsGrayed(IDM_VIEW_LISTED_SECTIONS), v.view != MapView::kObjects);
        if (!byRam) {
            program.ClickHeader(2);
            byRam = true;
            EXPECT_TRUE(WaitFor([&] {
                return program.Rows() == CoreRows(kKilnController, kDevice18F4680, true, counting);
            }));
        }
    }
}

TEST(MainWindowTest, MplinkFamilyMapShowsTheCoresRowsWithListedSectionsGreyed) {
    ProgramDriver program(AppStartedWith(L"tallyfold.exe " + kMplinkDataLogger));
    ASSERT_TRUE(
        WaitFor([&] { return program.Rows() == CoreRows(kMplinkDataLogger, kDevice18F4680); }));
    EXPECT_GT(program.Rows().size(), 3u);
    EXPECT_EQ(ViewGreyed(program), (std::vector<bool>{true, false, false, true, true, false}));
    EXPECT_EQ(program.Status(), CoreStatus(kMplinkDataLogger, kDevice18F4680));
}

TEST(MainWindowTest, FromMapTakesTheMapsDeviceAndIsGreyedWhereTheMapGivesNone) {
    ProgramDriver program;
    EXPECT_TRUE(program.IsGrayed(IDM_DEVICE_FROM_MAP));  // no map yet

    PostMessageW(program.Window(), WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf(kBlinky)), 0);
    ASSERT_TRUE(WaitFor([&] { return program.Rows() == CoreRows(kBlinky, kDevice18F4680); }));
    ASSERT_FALSE(program.IsGrayed(IDM_DEVICE_FROM_MAP));
    program.SendCommand(IDM_DEVICE_FROM_MAP);
    EXPECT_TRUE(program.IsChecked(IDM_DEVICE_FROM_MAP));
    EXPECT_FALSE(program.IsChecked(IDM_DEVICE_18F4680));
    EXPECT_EQ(program.Rows(), CoreRows(kBlinky, kDeviceFromMap));
    EXPECT_NE(program.Rows(), CoreRows(kBlinky, kDevice18F4680));  // the map's own capacities
    EXPECT_EQ(program.Status(), CoreStatus(kBlinky, kDeviceFromMap));
    EXPECT_EQ(program.Status().rfind("All sections, 18F4680 (ROM ", 0), 0u) << program.Status();

    // A map that gives no capacities: From Map is greyed and the first device takes its place.
    PostMessageW(program.Window(), WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf(kOldestExcerpt)),
                 0);
    ASSERT_TRUE(
        WaitFor([&] { return program.Title() == L"Tallyfold [ " + kOldestExcerpt + L" ]"; }));
    EXPECT_TRUE(program.IsGrayed(IDM_DEVICE_FROM_MAP));
    EXPECT_TRUE(program.IsChecked(IDM_DEVICE_18F4680));
    EXPECT_EQ(program.Rows(), CoreRows(kOldestExcerpt, kDevice18F4680));
    EXPECT_EQ(program.Status(), CoreStatus(kOldestExcerpt, kDevice18F4680));
}

TEST(MainWindowTest, FileThatIsNoMapShowsTheErrorBoxAndKeepsTheReport) {
    TempFolder folder(L"tallyfold-no-map");
    ProgramDriver program(AppStartedWith(L"tallyfold.exe " + kBlinky));
    ASSERT_TRUE(WaitFor([&] { return program.Rows() == CoreRows(kBlinky, kDevice18F4680); }));
    const std::string status = program.Status();
    const struct {
        const wchar_t* name;
        std::string bytes;
        const wchar_t* says;  // what the file is, when the box can tell
    } files[] = {
        {L"empty.map", "", L""},
        {L"binary.map",
         std::string("\x7F"
                     "ELF\x02\x01\x01\0\0\0\xFF\xFE\x1A\n\x90",
                     15),
         L""},
        {L"notes.map", "Shopping list\r\n\r\nmilk\r\nbread\r\n", L""},
        {L"firmware.map",
         "Memory Configuration\r\n\r\nName             Origin             Length\r\n",
         L"a GNU linker map, not a PIC18 map"},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        const std::wstring path = folder.Write(file.name, file.bytes);
        PostMessageW(program.Window(), WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf(path)), 0);
        const MessageBoxView box = WaitForMessageBox(program);
        ASSERT_NE(box.box, nullptr);
        EXPECT_NE(box.text.find(L"Cannot read the map file"), std::wstring::npos)
            << box.text.c_str();
        EXPECT_NE(box.text.find(L"The report was left as it was."), std::wstring::npos);
        EXPECT_NE(box.text.find(file.says), std::wstring::npos) << box.text.c_str();
        EXPECT_TRUE(box.errorIcon);
        PostMessageW(box.box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(box.box); }));
        EXPECT_EQ(program.Rows(), CoreRows(kBlinky, kDevice18F4680));
        EXPECT_EQ(program.Title(), L"Tallyfold [ " + kBlinky + L" ]");
        EXPECT_EQ(program.Status(), status);
    }
}

TEST(MainWindowTest, MapCutShortSaysSoInTheStatusBar) {
    TempFolder folder(L"tallyfold-cut-short");
    const std::string whole = ReadFileBytes(kBlinky);
    const std::wstring map = folder.Write(L"cut.map", whole.substr(0, whole.find("COMMON")));
    ProgramDriver program(AppStartedWith(L"tallyfold.exe " + map));
    ASSERT_TRUE(WaitFor([&] { return program.Title() != L"Tallyfold"; }));
    EXPECT_EQ(program.Rows(), CoreRows(map, kDevice18F4680));
    EXPECT_EQ(program.Status(), CoreStatus(map, kDevice18F4680));
    EXPECT_NE(program.Status().find("the map was cut short"), std::string::npos)
        << program.Status();
}

}  // namespace
