#include "layout/map_document.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
