#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "report_command.h"
#include "resource.h"
#include "win/ansi_text.h"
#include "window_driver.h"
#include "window_expectations.h"

// File > Save Report As, Compare With and Open Picture: what they write is what tallyfold-report
// writes for the same map, device, rule, view and order.

namespace {

// The page of a report says when it was made: the same time for the window and the command line.
class FixedReportTime {
public:
    FixedReportTime() { _putenv_s("SOURCE_DATE_EPOCH", "1700000000"); }
    ~FixedReportTime() { _putenv_s("SOURCE_DATE_EPOCH", ""); }
};

// What tallyfold-report prints for the arguments, run in this process.
std::string CommandLineReport(std::vector<std::string> args) {
    std::string out;
    std::string err;
    const int status = RunReportCommand(args, nullptr, out, err);
    EXPECT_TRUE(status == 0 || status == 3) << status << " " << err;
    return out;
}

std::string Utf8(const std::wstring& path) {
    return Utf8FromWide(path);
}

// The places of the file types in the Save dialog, and the names of their formats.
const struct {
    int fileType;
    const char* format;
    const wchar_t* extension;
} kSavedKinds[] = {{0, "csv", L".csv"},   {1, "tsv", L".tsv"},   {2, "markdown", L".md"},
                   {3, "json", L".json"}, {4, "html", L".html"}, {5, "table", L".txt"}};

TEST(ReportFilesTest, SaveReportAsWritesTheCommandLinesBytesInTheFileTypeChosen) {
    const FixedReportTime time;
    TempFolder folder(L"tallyfold-saved");
    ProgramDriver program(AppStartedWith(L"tallyfold.exe " + kKilnController));
    ASSERT_TRUE(WaitFor([&] { return program.Title() != L"Tallyfold"; }));
    EXPECT_FALSE(program.IsGrayed(IDM_FILE_SAVE_REPORT_AS));
    program.SendCommand(IDM_DEVICE_18F458);
    program.SendCommand(IDM_VIEW_SOURCE_FILES);
    program.ClickHeader("RAM Size");
    const Counting modules{SectionRule::kAll, MapView::kModules};
    ASSERT_TRUE(WaitFor(
        [&] { return program.Rows() == CoreRows(kKilnController, kDevice18F458, true, modules); }));
    for (const auto& kind : kSavedKinds) {
        SCOPED_TRACE(kind.format);
        // The name typed without its extension: the file type's is added.
        const std::wstring name = folder.Path() + L"\\report-" + std::to_wstring(kind.fileType);
        ASSERT_TRUE(program.ChooseInFileDialog(IDM_FILE_SAVE_REPORT_AS, L"Save Report As", name,
                                               kind.fileType));
        const std::wstring saved = name + kind.extension;
        program.SendCommand(IDM_DEVICE_18F458);  // handled once the file is written
        const std::string expected =
            CommandLineReport({"--format", kind.format, "--device", "18F458", "--sections", "all",
                               "--by", "module", "--sort", "ram", Utf8(kKilnController)});
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(ReadFileBytes(saved), expected);
        DeleteFileW(saved.c_str());
    }
}

// The map's own device, under the listed names: the same bytes as --device map --sections listed.
TEST(ReportFilesTest, SaveReportAsOfTheListedNamesForTheMapsOwnDeviceIsTheCommandLines) {
    TempFolder folder(L"tallyfold-saved-listed");
    ProgramDriver program(AppStartedWith(L"tallyfold.exe " + kBlinky));
    ASSERT_TRUE(WaitFor([&] { return program.Title() != L"Tallyfold"; }));
    program.SendCommand(IDM_VIEW_LISTED_SECTIONS);
    program.SendCommand(IDM_DEVICE_FROM_MAP);
    ASSERT_TRUE(program.IsChecked(IDM_DEVICE_FROM_MAP));
    const std::wstring saved = folder.Path() + L"\\listed.json";
    ASSERT_TRUE(program.ChooseInFileDialog(IDM_FILE_SAVE_REPORT_AS, L"Save Report As", saved, 3));
    program.SendCommand(IDM_DEVICE_FROM_MAP);
    EXPECT_EQ(ReadFileBytes(saved), CommandLineReport({"--format", "json", "--device", "map",
                                                       "--sections", "listed", Utf8(kBlinky)}));
}

TEST(ReportFilesTest, ASavedReportReplacesAFileOnlyWhenItCanBeWrittenWhole) {
    TempFolder folder(L"tallyfold-held");
    const std::wstring held = folder.Write(L"held.csv", "what was there\r\n");
    ProgramDriver program(AppStartedWith(L"tallyfold.exe " + kBlinky));
    ASSERT_TRUE(WaitFor([&] { return program.Title() != L"Tallyfold"; }));
    HANDLE holder = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(program.ChooseInFileDialog(IDM_FILE_SAVE_REPORT_AS, L"Save Report As", held));
    const MessageBoxView box = WaitForMessageBox(program);
    CloseHandle(holder);
    ASSERT_NE(box.box, nullptr);
    EXPECT_NE(box.text.find(L"Cannot save the report"), std::wstring::npos) << box.text.c_str();
    EXPECT_NE(box.text.find(held), std::wstring::npos);
    PostMessageW(box.box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box.box); }));
    EXPECT_EQ(ReadFileBytes(held), "what was there\r\n");
    // Nothing is left beside it.
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder.Path() + L"\\*.partial-*").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE);
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
    }
}

TEST(ReportFilesTest, CompareWithShowsTheDiffsRowsAndTheTotalChangeAndViewEndsIt) {
    const FixedReportTime time;
    TempFolder folder(L"tallyfold-compared");
    ProgramDriver program(AppStartedWith(L"tallyfold.exe " + kBlinkyV2));
    ASSERT_TRUE(WaitFor([&] { return program.Rows() == CoreRows(kBlinkyV2, kDevice18F4680); }));
    ASSERT_TRUE(program.ChooseInFileDialog(IDM_FILE_COMPARE_WITH, L"Compare With", kBlinky));
    const Rows compared = CoreComparisonRows(kBlinky, kBlinkyV2, kDevice18F4680);
    ASSERT_TRUE(WaitFor([&] { return program.Rows() == compared; }));
    EXPECT_EQ(program.Headers(),
              (std::vector<std::string>{"Object file", "Status", "Old ROM", "New ROM", "ROM Change",
                                        "Old RAM", "New RAM", "RAM Change", "Old Other",
                                        "New Other", "Other Change", "New ROM %", "New RAM %"}));
    EXPECT_EQ(program.Title(), L"Tallyfold [ " + kBlinkyV2 + L" ]");
    // The total change, signed, since the older map.
    const std::vector<std::string>& total = compared.back();
    const std::string change = "ROM " + total[4] + ", RAM " + total[7] + ", other " + total[10] +
                               " bytes since blinky.map";
    const std::vector<std::string> parts = program.StatusParts();
    ASSERT_FALSE(parts.empty());
    EXPECT_EQ(parts.back(), change);
    EXPECT_NE(program.Status().find(change), std::string::npos);

    // The order and the device apply to the comparison; Save As writes --diff's bytes.
    program.ClickHeader("RAM Change");
    program.PostCommand(IDM_DEVICE_18F458);
    const Rows byRam = CoreComparisonRows(kBlinky, kBlinkyV2, kDevice18F458, true);
    EXPECT_TRUE(WaitFor([&] { return program.Rows() == byRam; }));
    const std::wstring saved = folder.Path() + L"\\diff.json";
    ASSERT_TRUE(program.ChooseInFileDialog(IDM_FILE_SAVE_REPORT_AS, L"Save Report As", saved, 3));
    program.SendCommand(IDM_DEVICE_18F458);
    EXPECT_EQ(ReadFileBytes(saved),
              CommandLineReport({"--diff", Utf8(kBlinky), Utf8(kBlinkyV2), "--format", "json",
                                 "--device", "18F458", "--sections", "all", "--sort", "ram"}));

    // The View item already checked shows the map alone again, in the order chosen.
    program.SendCommand(IDM_VIEW_ALL_SECTIONS);
    EXPECT_EQ(program.Rows(), CoreRows(kBlinkyV2, kDevice18F458, true));
    EXPECT_EQ(program.Status(), CoreStatus(kBlinkyV2, kDevice18F458));
}

TEST(ReportFilesTest, AMapThatCannotBeShownAsTheMapIsShownIsNotCompared) {
    ProgramDriver program(AppStartedWith(L"tallyfold.exe " + kKilnController));
    ASSERT_TRUE(WaitFor([&] { return program.Title() != L"Tallyfold"; }));
    program.SendCommand(IDM_VIEW_SOURCE_FILES);
    const Rows shown = program.Rows();
    // blinky.map has no MODULE INFORMATION.
    ASSERT_TRUE(program.ChooseInFileDialog(IDM_FILE_COMPARE_WITH, L"Compare With", kBlinky));
    const MessageBoxView box = WaitForMessageBox(program);
    ASSERT_NE(box.box, nullptr);
    EXPECT_NE(box.text.find(L"Cannot compare with the map file\n" + kBlinky), std::wstring::npos)
        << box.text.c_str();
    EXPECT_NE(box.text.find(L"one row per source file"), std::wstring::npos) << box.text.c_str();
    PostMessageW(box.box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box.box); }));
    EXPECT_EQ(program.Rows(), shown);
}

// The application of the program under test, recording the documents given to the shell.
class ShellRecordingApp : public CMapSizeApp {
public:
    explicit ShellRecordingApp(std::wstring failure = {}) : m_failure(std::move(failure)) {}
    std::wstring OpenInShell(const std::wstring& path) override {
        const std::lock_guard<std::mutex> hold(m_lock);
        m_opened.push_back(path);
        return m_failure;
    }
    std::vector<std::wstring> Opened() const {
        const std::lock_guard<std::mutex> hold(m_lock);
        return m_opened;
    }

private:
    mutable std::mutex m_lock;
    std::vector<std::wstring> m_opened;
    std::wstring m_failure;
};

std::wstring TemporaryFolder() {
    wchar_t path[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, path);
    return path;
}

TEST(ReportFilesTest, F7WritesTheHtmlPageOfWhatIsShownAndHasTheShellOpenIt) {
    const FixedReportTime time;
    auto owned = std::make_unique<ShellRecordingApp>();
    ShellRecordingApp* app = owned.get();
    owned->m_commandLine = L"tallyfold.exe " + kWeatherStation;
    ProgramDriver program(std::move(owned));
    ASSERT_TRUE(WaitFor([&] { return program.Title() != L"Tallyfold"; }));
    program.PressKey(VK_F7);
    ASSERT_TRUE(WaitFor([&] { return app->Opened().size() == 1; }));
    const std::wstring page = TemporaryFolder() + L"Tallyfold\\weather-station.html";
    EXPECT_EQ(app->Opened()[0], page);
    EXPECT_EQ(ReadFileBytes(page), CommandLineReport({"--format", "html", "--device", "18F4680",
                                                      "--sections", "all", Utf8(kWeatherStation)}));

    // Of two maps compared: the comparison's page.
    PostMessageW(program.Window(), WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf(kBlinkyV2)), 0);
    ASSERT_TRUE(WaitFor([&] { return program.Title() == L"Tallyfold [ " + kBlinkyV2 + L" ]"; }));
    ASSERT_TRUE(program.ChooseInFileDialog(IDM_FILE_COMPARE_WITH, L"Compare With", kBlinky));
    program.SendCommand(IDM_FILE_OPEN_PICTURE);
    ASSERT_EQ(app->Opened().size(), 2u);
    const std::wstring comparison = TemporaryFolder() + L"Tallyfold\\blinky-v2 since blinky.html";
    EXPECT_EQ(app->Opened()[1], comparison);
    EXPECT_EQ(ReadFileBytes(comparison),
              CommandLineReport({"--diff", Utf8(kBlinky), Utf8(kBlinkyV2), "--format", "html",
                                 "--device", "18F4680", "--sections", "all"}));
}

// The view by region: its rows follow the device chosen where the map names no part, and the
// saved report, the picture and the comparison are what tallyfold-report --by region writes.
TEST(ReportFilesTest, RegionViewIsSavedComparedAndDrawnAsTheCommandLineWritesIt) {
    const FixedReportTime time;
    TempFolder folder(L"tallyfold-regions");
    auto owned = std::make_unique<ShellRecordingApp>();
    ShellRecordingApp* app = owned.get();
    owned->m_commandLine = L"tallyfold.exe " + kMplinkIrrigation;
    ProgramDriver program(std::move(owned));
    ASSERT_TRUE(WaitFor([&] { return program.Title() != L"Tallyfold"; }));
    program.SendCommand(IDM_VIEW_REGIONS);
    EXPECT_EQ(program.Rows(), CoreRegionRows(kMplinkIrrigation, "18F4680"));
    EXPECT_EQ(program.Rows().at(0),
              (std::vector<std::string>{"page", "0x000000", "0x00FFFF", "65536", "613", "64923",
                                        "64901", "0.9354"}));
    program.SendCommand(IDM_DEVICE_18F458);
    EXPECT_EQ(program.Rows(), CoreRegionRows(kMplinkIrrigation, "18F458"));
    EXPECT_EQ(program.Rows().at(0).at(2), "0x007FFF");

    const std::wstring saved = folder.Path() + L"\\regions.txt";
    ASSERT_TRUE(program.ChooseInFileDialog(IDM_FILE_SAVE_REPORT_AS, L"Save Report As", saved, 5));
    program.SendCommand(IDM_FILE_OPEN_PICTURE);  // handled once the file is written
    const std::string table =
        CommandLineReport({"--by", "region", "--device", "18F458", Utf8(kMplinkIrrigation)});
    EXPECT_NE(table.find("Largest free block"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(saved), table);
    ASSERT_EQ(app->Opened().size(), 1u);
    EXPECT_EQ(ReadFileBytes(app->Opened()[0]),
              CommandLineReport({"--by", "region", "--device", "18F458", "--format", "html",
                                 Utf8(kMplinkIrrigation)}));

    // Compared with an older map, region by region name.
    PostMessageW(program.Window(), WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf(kBlinkyV2)), 0);
    ASSERT_TRUE(WaitFor([&] { return program.Title() == L"Tallyfold [ " + kBlinkyV2 + L" ]"; }));
    program.SendCommand(IDM_VIEW_REGIONS);
    ASSERT_TRUE(program.ChooseInFileDialog(IDM_FILE_COMPARE_WITH, L"Compare With", kBlinky));
    ASSERT_TRUE(WaitFor([&] { return program.Headers().at(1) == "Status"; }));
    EXPECT_EQ(program.Headers().at(0), "Region");
    EXPECT_EQ(program.Rows().at(0).at(0), "CODE");
    EXPECT_EQ(program.StatusParts().back(),
              "used: program memory +504, data memory +27 bytes since blinky.map");
    const std::wstring diff = folder.Path() + L"\\regions-diff.json";
    ASSERT_TRUE(program.ChooseInFileDialog(IDM_FILE_SAVE_REPORT_AS, L"Save Report As", diff, 3));
    program.SendCommand(IDM_DEVICE_18F458);
    EXPECT_EQ(ReadFileBytes(diff),
              CommandLineReport({"--diff", Utf8(kBlinky), Utf8(kBlinkyV2), "--by", "region",
                                 "--format", "json", "--device", "18F458"}));
}

TEST(ReportFilesTest, APictureTheShellCannotOpenIsSaidSoWithWhereItIs) {
    auto owned = std::make_unique<ShellRecordingApp>(L"no program is set to open such files.");
    owned->m_commandLine = L"tallyfold.exe " + kBlinky;
    ProgramDriver program(std::move(owned));
    ASSERT_TRUE(WaitFor([&] { return program.Title() != L"Tallyfold"; }));
    program.PostCommand(IDM_FILE_OPEN_PICTURE);
    const MessageBoxView box = WaitForMessageBox(program);
    ASSERT_NE(box.box, nullptr);
    EXPECT_NE(box.text.find(L"Cannot open the picture in a browser"), std::wstring::npos)
        << box.text.c_str();
    EXPECT_NE(box.text.find(L"Tallyfold\\blinky.html"), std::wstring::npos);
    EXPECT_NE(box.text.find(L"no program is set to open such files."), std::wstring::npos);
}

TEST(ReportFilesTest, WithoutAMapTheItemsThatNeedOneAreGreyed) {
    ProgramDriver program;
    for (const UINT item : {UINT{IDM_FILE_RELOAD}, UINT{IDM_FILE_SAVE_REPORT_AS},
                            UINT{IDM_FILE_COMPARE_WITH}, UINT{IDM_FILE_OPEN_PICTURE}}) {
        EXPECT_TRUE(program.IsGrayed(item)) << item;
    }
}

}  // namespace
