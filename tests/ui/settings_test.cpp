#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "layout/window_settings.h"
#include "resource.h"
#include "win/registry.h"
#include "window_driver.h"
#include "window_expectations.h"

// What the window keeps from one run to the next in the registry (under a key of the tests' own),
// and what it makes of a value it cannot use.

namespace {

RECT WindowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Ends the program as its close button does and waits for it.
void CloseProgram(ProgramDriver& program) {
    PostMessageW(program.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(program.WaitForExit());
}

// The items of the File menu, as the window shows them.
std::vector<std::wstring> FileItems(const ProgramDriver& program) {
    HMENU file = GetSubMenu(GetMenu(program.Window()), 0);
    std::vector<std::wstring> items;
    for (int position = 0; position < GetMenuItemCount(file); ++position) {
        wchar_t text[512] = {};
        GetMenuStringW(file, static_cast<UINT>(position), text, 512, MF_BYPOSITION);
        items.push_back(GetMenuItemID(file, position) == 0 ? L"-" : text);
    }
    return items;
}

const std::vector<std::wstring> kFileItemsWithoutRecentFiles = {
    L"&Open..\tCtrl+O",     L"&Reload\tF5",       L"-", L"Save Report &As\x2026\tCtrl+S",
    L"&Compare With\x2026", L"Open &Picture\tF7", L"-", L"E&xit"};

TEST(SettingsTest, ASecondStartRestoresDeviceViewOrderPlacementColumnsAndTheMap) {
    const Counting modules{SectionRule::kAll, MapView::kModules};
    const RECT placed = {50, 60, 950, 660};
    std::vector<int> widths;
    {
        ProgramDriver program(AppStartedWith(L"tallyfold.exe " + kKilnController));
        ASSERT_TRUE(WaitFor([&] { return program.Title() != L"Tallyfold"; }));
        program.SendCommand(IDM_DEVICE_18F458);
        program.SendCommand(IDM_VIEW_SOURCE_FILES);
        program.ClickHeader("RAM Size");
        program.SendCommand(IDM_DEVICE_18F458);
        program.SendCommand(IDM_VIEW_SOURCE_FILES);
        program.ClickHeader("RAM Size");
        ASSERT_TRUE(WaitFor([&] {
            return program.Rows() == CoreRows(kKilnController, kDevice18F458, true, modules);
        }));
        SetWindowPos(program.Window(), nullptr, placed.left, placed.top, placed.right - placed.left,
                     placed.bottom - placed.top, SWP_NOZORDER);
        SendMessageW(program.List(), LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(300, 0));  // dragged
        widths = program.ColumnWidths();
        CloseProgram(program);
    }
    ProgramDriver program(std::make_unique<CMapSizeApp>(), Settings::kKeep);
    EXPECT_TRUE(WindowRect(program.Window()) == placed);
    EXPECT_TRUE(program.IsChecked(IDM_DEVICE_18F458));
    EXPECT_TRUE(program.IsChecked(IDM_VIEW_SOURCE_FILES));
    EXPECT_TRUE(program.IsChecked(IDM_VIEW_ALL_SECTIONS));
    // The map comes back from the recent files, shown as it was.
    // As the item shows it: a long path shortened, wherever the examples are.
    ASSERT_EQ(FileItems(program).at(7), RecentFileItemText(1, kKilnController));
    program.PostCommand(IDM_FILE_RECENT_FIRST);
    EXPECT_TRUE(WaitFor(
        [&] { return program.Rows() == CoreRows(kKilnController, kDevice18F458, true, modules); }));
    EXPECT_EQ(program.Headers()[0], "Source file");
    EXPECT_EQ(program.ColumnWidths(), widths);
}

TEST(SettingsTest, AMapOpenedAtTheSecondStartTakesTheViewOnlyWhereItOffersIt) {
    {
        ProgramDriver program(AppStartedWith(L"tallyfold.exe " + kKilnController));
        ASSERT_TRUE(WaitFor([&] { return program.Title() != L"Tallyfold"; }));
        program.SendCommand(IDM_VIEW_SYMBOLS);
        CloseProgram(program);
    }
    // blinky.map has no function bounds: by object file, by the rule it calls for.
    ProgramDriver program(AppStartedWith(L"tallyfold.exe " + kBlinky), Settings::kKeep);
    EXPECT_TRUE(WaitFor([&] { return program.Rows() == CoreRows(kBlinky, kDevice18F4680); }));
    EXPECT_TRUE(program.IsChecked(IDM_VIEW_OBJECT_FILES));
}

// The view by region comes back for a map that has regions; a map without them (an excerpt that
// names neither its part nor its memory's ranges) is shown by object file, the item greyed.
TEST(SettingsTest, TheRegionViewComesBackOnlyForAMapThatHasRegions) {
    {
        ProgramDriver program(AppStartedWith(L"tallyfold.exe " + kKilnController));
        ASSERT_TRUE(WaitFor([&] { return program.Title() != L"Tallyfold"; }));
        program.SendCommand(IDM_VIEW_REGIONS);
        ASSERT_TRUE(program.IsChecked(IDM_VIEW_REGIONS));
        CloseProgram(program);
    }
    {
        ProgramDriver program(AppStartedWith(L"tallyfold.exe " + kBlinky), Settings::kKeep);
        EXPECT_TRUE(WaitFor([&] { return program.Rows() == CoreRegionRows(kBlinky); }));
        EXPECT_TRUE(program.IsChecked(IDM_VIEW_REGIONS));
        CloseProgram(program);
    }
    // The rule the last run left stays: every section.
    const Counting all{SectionRule::kAll};
    ProgramDriver program(AppStartedWith(L"tallyfold.exe " + kOldestExcerpt), Settings::kKeep);
    EXPECT_TRUE(WaitFor(
        [&] { return program.Rows() == CoreRows(kOldestExcerpt, kDevice18F4680, false, all); }));
    EXPECT_TRUE(program.IsChecked(IDM_VIEW_OBJECT_FILES));
    EXPECT_FALSE(program.IsChecked(IDM_VIEW_REGIONS));
    EXPECT_TRUE(program.IsGrayed(IDM_VIEW_REGIONS));
}

TEST(SettingsTest, APartChosenByNameIsTheDeviceAgainAtTheNextStart) {
    {
        ProgramDriver program;
        program.PostCommand(IDM_DEVICE_OTHER);
        HWND box = program.WaitForOwnedDialog(L"Other Device");
        ASSERT_NE(box, nullptr);
        SetDlgItemTextW(box, IDC_PART_FILTER, L"18F2550");
        PostMessageW(GetDlgItem(box, IDC_PART_FILTER), WM_KEYDOWN, VK_RETURN, 0);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }));
        ASSERT_TRUE(WaitFor([&] { return program.IsChecked(IDM_DEVICE_OTHER); }));
        CloseProgram(program);
    }
    EXPECT_EQ(CRegistryKey::Open(kTestSettingsKey).ReadString(L"Device"), L"18F2550");
    ProgramDriver program(AppStartedWith(L"tallyfold.exe " + kBlinky), Settings::kKeep);
    EXPECT_TRUE(WaitFor(
        [&] { return program.Rows() == CoreRows(kBlinky, *DeviceSelectionNamed("18F2550")); }));

    EXPECT_EQ(program.ItemText(IDM_DEVICE_OTHER), L"&Other Device (18F2550)\x2026");
}

// Values of another type, of another program's making or damaged: each is passed over, and the
// window starts as at the first start of all.
TEST(SettingsTest, DamagedOrForeignValuesAreIgnored) {
    DeleteRegistryTree(kTestSettingsKey);
    {
        CRegistryKey key = CRegistryKey::Create(kTestSettingsKey);
        ASSERT_TRUE(key.IsOpen());
        key.WriteString(L"Placement", L"10,20,5");
        key.WriteString(L"Device", L"18F9999");
        key.WriteString(L"Sections", L"every");
        key.WriteString(L"Columns", L"name=-5,rom=x");
        key.WriteString(L"Folder", L"C:\\maps\r\nD:\\");
    }
    HKEY raw = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kTestSettingsKey, 0, KEY_WRITE, &raw),
              ERROR_SUCCESS);
    const DWORD number = 2;
    RegSetValueExW(raw, L"View", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                   sizeof number);
    RegSetValueExW(raw, L"Sort", 0, REG_BINARY, reinterpret_cast<const BYTE*>("ram"), 3);
    RegCloseKey(raw);
    CRegistryKey::Create(std::wstring(kTestSettingsKey) + L"\\Recent File List")
        .WriteString(L"File1", L"");

    ProgramDriver program(std::make_unique<CMapSizeApp>(), Settings::kKeep);
    ASSERT_NE(program.Window(), nullptr);
    EXPECT_EQ(program.Title(), L"Tallyfold");
    EXPECT_EQ(program.ColumnWidths(), (std::vector<int>{400, 75, 75, 75, 75}));
    EXPECT_TRUE(program.IsChecked(IDM_DEVICE_18F4680));
    EXPECT_FALSE(program.IsChecked(IDM_DEVICE_OTHER));
    EXPECT_EQ(FileItems(program), kFileItemsWithoutRecentFiles);
    // Centred on the screen, as at the first start.
    RECT screen{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen, 0);
    const RECT window = WindowRect(program.Window());
    EXPECT_NEAR((window.left + window.right) / 2, (screen.left + screen.right) / 2, 1);
    // A map opened is shown by its own rule, by object file, by ROM size.
    PostMessageW(program.Window(), WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf(kBlinky)), 0);
    EXPECT_TRUE(WaitFor([&] { return program.Rows() == CoreRows(kBlinky, kDevice18F4680); }));
}

TEST(SettingsTest, AWindowLeftOnAScreenNoLongerThereShowsOnTheScreen) {
    CRegistryKey::Create(kTestSettingsKey).WriteString(L"Placement", L"5000,4000,5700,4450");
    ProgramDriver program(std::make_unique<CMapSizeApp>(), Settings::kKeep);
    RECT screen{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen, 0);
    const RECT window = WindowRect(program.Window());
    EXPECT_EQ(window.right - window.left, 700);
    EXPECT_EQ(window.bottom - window.top, 450);
    EXPECT_EQ(window.right, screen.right);
    EXPECT_EQ(window.bottom, screen.bottom);
}

TEST(SettingsTest, AMaximisedWindowComesBackMaximisedAndRestoresToWhereItWas) {
    {
        ProgramDriver program;
        SetWindowPos(program.Window(), nullptr, 80, 90, 800, 500, SWP_NOZORDER);
        ShowWindow(program.Window(), SW_MAXIMIZE);
        ASSERT_TRUE(WaitFor([&] { return IsZoomed(program.Window()) != FALSE; }));
        CloseProgram(program);
    }
    ProgramDriver program(std::make_unique<CMapSizeApp>(), Settings::kKeep);
    EXPECT_TRUE(IsZoomed(program.Window()));
    ShowWindow(program.Window(), SW_RESTORE);
    EXPECT_TRUE(WaitFor([&] { return WindowRect(program.Window()) == RECT{80, 90, 880, 590}; }));
}

// The recent files the File menu lists, by their numbers and the names of their maps:
// "1 build5.map"; the menu must hold them between two separators, before Exit.
std::vector<std::wstring> RecentItems(const ProgramDriver& program) {
    const std::vector<std::wstring> items = FileItems(program);
    std::vector<std::wstring> recent;
    const size_t first = kFileItemsWithoutRecentFiles.size() - 1;
    if (items.size() < first + 1 ||
        !std::equal(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(first),
                    kFileItemsWithoutRecentFiles.begin()) ||
        items.back() != L"E&xit") {
        return {L"(not a File menu)"};
    }
    for (size_t place = first; place + 1 < items.size(); ++place) {
        const std::wstring& item = items[place];
        if (item == L"-") {
            return place + 2 == items.size() ? recent : std::vector<std::wstring>{L"(misplaced)"};
        }
        recent.push_back(item.substr(1, 2) + item.substr(item.find_last_of(L'\\') + 1));
    }
    return recent;
}

TEST(SettingsTest, TheFileMenuListsTheLastFourMapsAndOneNoLongerThereLeavesIt) {
    TempFolder folder(L"tallyfold-recent");
    std::vector<std::wstring> maps;
    for (int number = 1; number <= 5; ++number) {
        maps.push_back(
            folder.Write(L"build" + std::to_wstring(number) + L".map", ReadFileBytes(kBlinky)));
    }
    ProgramDriver program;
    EXPECT_EQ(FileItems(program), kFileItemsWithoutRecentFiles);
    for (const std::wstring& map : maps) {
        PostMessageW(program.Window(), WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf(map)), 0);
        ASSERT_TRUE(WaitFor([&] { return program.Title() == L"Tallyfold [ " + map + L" ]"; }));
    }
    using Items = std::vector<std::wstring>;
    EXPECT_EQ(RecentItems(program),
              (Items{L"1 build5.map", L"2 build4.map", L"3 build3.map", L"4 build2.map"}));

    // Opening one that is listed makes it the first.
    program.SendCommand(IDM_FILE_RECENT_FIRST + 2);
    EXPECT_EQ(program.Title(), L"Tallyfold [ " + maps[2] + L" ]");
    EXPECT_EQ(RecentItems(program),
              (Items{L"1 build3.map", L"2 build5.map", L"3 build4.map", L"4 build2.map"}));

    DeleteFileW(maps[1].c_str());
    program.PostCommand(IDM_FILE_RECENT_FIRST + 3);
    const MessageBoxView box = WaitForMessageBox(program);
    ASSERT_NE(box.box, nullptr);
    EXPECT_NE(box.text.find(maps[1]), std::wstring::npos) << box.text.c_str();
    EXPECT_NE(box.text.find(L"is no longer there"), std::wstring::npos) << box.text.c_str();
    PostMessageW(box.box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box.box); }));
    EXPECT_EQ(RecentItems(program), (Items{L"1 build3.map", L"2 build5.map", L"3 build4.map"}));
    EXPECT_EQ(program.Title(), L"Tallyfold [ " + maps[2] + L" ]");  // the report stays
}

TEST(SettingsTest, TheOpenDialogStartsInTheFolderOfTheLastMapOpenedThroughIt) {
    TempFolder folder(L"tallyfold-folder");
    const std::wstring map = folder.Write(L"app.map", ReadFileBytes(kBlinky));
    {
        ProgramDriver program;
        ASSERT_TRUE(program.OpenThroughFileDialog(map));
        ASSERT_TRUE(WaitFor([&] { return program.Title() != L"Tallyfold"; }));
        CloseProgram(program);
    }
    ProgramDriver program(std::make_unique<CMapSizeApp>(), Settings::kKeep);
    program.PostCommand(IDM_FILE_OPEN);
    HWND dialog = program.WaitForOwnedDialog(L"Open");
    ASSERT_NE(dialog, nullptr);
    wchar_t shown[MAX_PATH] = {};
    SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(shown));
    EXPECT_EQ(_wcsicmp(shown, folder.Path().c_str()), 0) << shown;
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
}

}  // namespace
