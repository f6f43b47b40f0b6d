#include "layout/map_document.h"

#include <gtest/gtest.h>

#include <string>

#include "core/device_profile.h"
#include "core/map_error.h"
#include "test_support.h"

namespace {

// What each kind of map offers the window's View menu, and that what it offers can be counted.
TEST(MapDocument, OffersWhatTheMapHolds) {
    struct Case {
        const char* map;
        SectionRule calledFor;
        bool listed;
        bool all;
        bool modules;
        bool symbols;
    };
    const Case cases[] = {
        {"blinky.map", SectionRule::kAll, true, true, false, false},
        {"oldest-generation-excerpt.map", SectionRule::kListed, true, true, false, false},
        {"kiln-controller.map", SectionRule::kAll, true, true, true, true},
        {"mplink-c18-data-logger.map", SectionRule::kAll, false, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.map);
        const CMapDocument document(ReadFile(kExamples + "/" + c.map), c.map);
        EXPECT_EQ(document.CalledForRule(), c.calledFor);
        EXPECT_EQ(document.Offers(SectionRule::kListed), c.listed);
        EXPECT_EQ(document.Offers(SectionRule::kAll), c.all);
        EXPECT_EQ(document.Offers(MapView::kModules), c.modules);
        EXPECT_EQ(document.Offers(MapView::kSymbols), c.symbols);
        for (SectionRule rule : {SectionRule::kListed, SectionRule::kAll}) {
            if (document.Offers(rule)) {
                EXPECT_EQ(document.Count(rule, MapView::kObjects).rule, rule);
            }
        }
        for (MapView view : {MapView::kModules, MapView::kSymbols}) {
            if (document.Offers(view)) {
                EXPECT_EQ(document.Count(SectionRule::kAll, view).view, view);
            }
        }
    }
    EXPECT_THROW(CMapDocument("Dear diary, nothing linked today.\n", "diary.txt"), MapError);
}

// The regions of a map that gives none and names no part come from the part chosen by name.
TEST(MapDocument, CountsTheRegionsOfAMapThatNamesNoPartWithThePartChosen) {
    const CMapDocument document(ReadFile(kExamples + "/mplink-mpasm-irrigation.map"),
                                "mplink-mpasm-irrigation.map");
    ASSERT_TRUE(document.Offers(MapView::kRegions));
    EXPECT_THROW(document.Count(SectionRule::kAll, MapView::kRegions), MapError);
    const Pic18Part* part = DeviceSelectionNamed("18F4680")->part;
    const SizeTable table = document.Count(SectionRule::kAll, MapView::kRegions, part);
    EXPECT_EQ(table.view, MapView::kRegions);
    ASSERT_FALSE(table.regions.empty());
    EXPECT_EQ(table.regions.front().name, "page");
    EXPECT_EQ(table.regions.front().size, 65536);

    // A map that names its part takes that part's regions whatever is chosen.
    const CMapDocument named(ReadFile(kExamples + "/mplink-c18-data-logger.map"),
                             "mplink-c18-data-logger.map");
    EXPECT_EQ(named.Count(SectionRule::kAll, MapView::kRegions, part).regions.front().size, 32768);
}

}  // namespace
