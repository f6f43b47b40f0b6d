#include "layout/saved_report.h"

#include <gtest/gtest.h>

#include <string>

#include "report/report_diff.h"

namespace {

TEST(SavedReport, TheDialogsFileTypesAreTheFormatsWithTheirExtensions) {
    EXPECT_EQ(SaveFilter(),
              L"CSV (*.csv)|*.csv|Tab-separated values (*.tsv)|*.tsv|Markdown (*.md)|*.md|"
              L"JSON (*.json)|*.json|HTML page (*.html)|*.html|Text table (*.txt)|*.txt||");
    // Each file type is a format of the command line, kept under its name.
    for (size_t place = 0; place < kSaveFormats.size(); ++place) {
        SCOPED_TRACE(place);
        ASSERT_FALSE(SaveFormatName(place).empty());
        EXPECT_EQ(SaveFormatNamed(SaveFormatName(place)), place);
    }
    EXPECT_EQ(SaveFormatName(4), "html");
    EXPECT_EQ(SaveFormatNamed("yaml"), 0u);
}

TEST(SavedReport, ReportsAndPicturesAreNamedAfterTheirMaps) {
    EXPECT_EQ(ReportFileName(L"C:\\work\\app.production.map", 0), L"app.production.csv");
    EXPECT_EQ(ReportFileName(L"C:\\work.d\\firmware", 3), L"firmware.json");
    EXPECT_EQ(WithReportExtension(L"C:\\out\\report", 2), L"C:\\out\\report.md");
    EXPECT_EQ(WithReportExtension(L"C:\\out\\report.txt", 2), L"C:\\out\\report.txt");
    EXPECT_EQ(WithReportExtension(L"C:\\out.d\\report", 4), L"C:\\out.d\\report.html");
    EXPECT_EQ(PictureFileName(L"C:\\b\\app.map", L""), L"app.html");
    EXPECT_EQ(PictureFileName(L"C:\\b\\app.map", L"D:\\a\\app-1.2.map"), L"app since app-1.2.html");
}

TEST(SavedReport, TheTotalChangeIsReadFromTheChangeColumnsOfTheTotalRow) {
    const std::vector<ReportColumn> columns = DiffColumns(DiffMeasures(true));
    TableRow total;
    total.kind = RowKind::kTotal;
    total.cells = {"-- Total --", "",   "572", "1076", "+504",   "14",    "41",
                   "+27",         "14", "14",  "0",    "3.2837", "2.6693"};
    EXPECT_EQ(TotalChangeText(columns, total), "ROM +504, RAM +27, other 0 bytes");
    EXPECT_EQ(TotalChangeText(SizeReportColumns(true), total), "");
}

}  // namespace
