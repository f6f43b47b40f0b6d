#include "layout/window_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(WindowSettings, PlacementIsReadBackAndADamagedOneIsNone) {
    const WindowPlacementSetting kept = {{-1280, 40, -280, 700}, true};
    const std::string text = PlacementSettingText(kept);
    EXPECT_EQ(text, "-1280,40,-280,700,maximized");
    const std::optional<WindowPlacementSetting> back = PlacementFromSetting(text);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->normal, kept.normal);
    EXPECT_TRUE(back->maximized);
    EXPECT_FALSE(PlacementFromSetting("10,20,750,480")->maximized);
    for (const char* damaged :
         {"", "10,20,750", "10,20,750,480,minimized", "10,20,750,480,", "10, 20,750,480",
          "10,20,10,480", "10,480,750,20", "10,20,750,4800000000", "a,b,c,d", "10,20,750,480,1",
          "+10,20,750,480", "-,20,750,480"}) {
        SCOPED_TRACE(damaged);
        EXPECT_FALSE(PlacementFromSetting(damaged).has_value());
    }
}

TEST(WindowSettings, RuleViewAndOrderAreReadByTheCommandLinesNames) {
    EXPECT_EQ(RuleFromSetting("all"), SectionRule::kAll);
    EXPECT_EQ(RuleFromSetting("listed"), SectionRule::kListed);
    EXPECT_EQ(ViewFromSetting("module"), MapView::kModules);
    EXPECT_EQ(ViewFromSetting("symbol"), MapView::kSymbols);
    EXPECT_EQ(OrderingFromSetting(OrderingSettingName(ColumnOrdering::kByRamSize)),
              ColumnOrdering::kByRamSize);
    EXPECT_EQ(OrderingSettingName(ColumnOrdering::kByRomSize), "rom");
    for (const char* foreign : {"", "All", "modules", "2", "rom "}) {
        SCOPED_TRACE(foreign);
        EXPECT_FALSE(RuleFromSetting(foreign).has_value());
        EXPECT_FALSE(ViewFromSetting(foreign).has_value());
        EXPECT_FALSE(OrderingFromSetting(foreign).has_value());
    }
}

TEST(WindowSettings, ColumnWeightsKeepTheirGoodEntriesOnly) {
    const ColumnWeights weights = {{"name", 2966}, {"other", 3390}, {"rom", 907}};
    EXPECT_EQ(ColumnWeightsSettingText(weights), "name=2966,other=3390,rom=907");
    EXPECT_EQ(ColumnWeightsFromSetting("name=2966,other=3390,rom=907"), weights);
    EXPECT_EQ(ColumnWeightsFromSetting("name=1,=5,Rom=5,ram=-1,other=x,rom_percent=1000001,"
                                       "new_ram=1000000,status,ram=0"),
              (ColumnWeights{{"name", 1}, {"new_ram", 1000000}, {"ram", 0}}));
    EXPECT_TRUE(ColumnWeightsFromSetting("").empty());
}

TEST(WindowSettings, PathsMustBePaths) {
    EXPECT_TRUE(IsPathSetting(L"C:\\maps"));
    EXPECT_FALSE(IsPathSetting(L""));
    EXPECT_FALSE(IsPathSetting(L"C:\\maps\nD:\\"));
    EXPECT_TRUE(IsPathSetting(std::wstring(32767, L'a')));
    EXPECT_FALSE(IsPathSetting(std::wstring(32768, L'a')));
}

TEST(WindowSettings, RecentFilesAreTheLastFourMostRecentFirst) {
    std::vector<std::wstring> files;
    for (const wchar_t* path :
         {L"C:\\a.map", L"C:\\b.map", L"C:\\c.map", L"C:\\d.map", L"C:\\e.map", L"c:\\B.MAP"}) {
        files = WithRecentFile(files, path);
    }
    EXPECT_EQ(files,
              (std::vector<std::wstring>{L"c:\\B.MAP", L"C:\\e.map", L"C:\\d.map", L"C:\\c.map"}));
    EXPECT_EQ(WithoutRecentFile(files, L"C:\\E.map"),
              (std::vector<std::wstring>{L"c:\\B.MAP", L"C:\\d.map", L"C:\\c.map"}));
}

TEST(WindowSettings, RecentFileItemsNumberAndShortenTheirPaths) {
    EXPECT_EQ(RecentFileItemText(1, L"C:\\maps\\app.map"), L"&1 C:\\maps\\app.map");
    EXPECT_EQ(RecentFileItemText(2, L"C:\\R&D\\app.map"), L"&2 C:\\R&&D\\app.map");
    EXPECT_EQ(RecentFileItemText(3,
                                 L"C:\\Users\\kiln\\projects\\kiln-controller\\dist\\default"
                                 L"\\production\\app.production.map"),
              L"&3 C:\\\x2026\\dist\\default\\production\\app.production.map");
    EXPECT_EQ(RecentFileItemText(4,
                                 L"\\\\server\\share\\very\\long\\folder\\names\\that\\go\\on\\"
                                 L"and\\on\\firmware.map"),
              L"&4 \\\\server\\share\\\x2026\\that\\go\\on\\and\\on\\firmware.map");
    // A name longer than the room is shown whole, after the root.
    const std::wstring name(60, L'n');
    EXPECT_EQ(RecentFileItemText(1, L"C:\\dir\\" + name), L"&1 C:\\\x2026\\" + name);
    EXPECT_EQ(RecentFileItemText(1, L"C:\\" + name), L"&1 C:\\" + name);
}

TEST(WindowSettings, AKeptPlacementShowsWhollyOnTheScreenItOverlapsMost) {
    const ScreenRect primary = {0, 0, 1280, 760};
    const ScreenRect left = {-1920, 0, 0, 1040};
    const std::vector<ScreenRect> both = {primary, left};
    const struct {
        const char* name;
        ScreenRect stored;
        ScreenRect shown;
    } cases[] = {
        {"on the primary", {100, 50, 840, 509}, {100, 50, 840, 509}},
        {"on the left one", {-1800, 100, -1060, 559}, {-1800, 100, -1060, 559}},
        {"across, mostly left", {-600, 100, 140, 559}, {-740, 100, 0, 559}},
        {"below the bottom", {100, 700, 840, 1159}, {100, 301, 840, 760}},
        {"a monitor taken away", {3000, 100, 3740, 559}, {540, 100, 1280, 559}},
        {"larger than the screen", {-10, -10, 1400, 900}, {0, 0, 1280, 760}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(VisiblePlacement(c.stored, both), c.shown);
    }
    EXPECT_EQ(VisiblePlacement({5, 5, 50, 50}, {}), (ScreenRect{5, 5, 50, 50}));
}

}  // namespace
