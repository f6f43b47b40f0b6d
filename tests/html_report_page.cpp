// Writes the HTML report of a map (or of the changes between two maps) to a file, for the test
// that opens it in a browser: tallyfold_html_page OUT.html MAP [OLD-MAP]

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "html_report_support.h"
#include "map_error.h"

namespace {

std::unique_ptr<MapSizes> Load(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    if (!file) {
        throw MapError(path, 0, "cannot read");
    }
    return ReadMapSizes(bytes.str(), path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::cerr << "usage: tallyfold_html_page OUT.html MAP [OLD-MAP]\n";
        return 2;
    }
    try {
        const std::unique_ptr<MapSizes> map = Load(argv[2]);
        const std::unique_ptr<MapSizes> oldMap = argc == 4 ? Load(argv[3]) : nullptr;
        HtmlReport report;
        report.sizes = &map->sizes;
        report.device = DeviceOfMap(*map);
        report.fileName = argv[2];
        report.time = "2025-03-14 09:26 UTC";
        ReportTable table;
        SizeChanges changes;
        if (oldMap) {
            table = DiffTableOf(*oldMap, *map, report.device);
            changes = ChangesBetween(oldMap->sizes, map->sizes);
            report.changes = &changes;
            report.oldSizes = &oldMap->sizes;
            report.oldFileName = argv[3];
        } else {
            table = TableOfMap(*map, report.device);
        }
        report.table = &table;
        std::ofstream out(argv[1], std::ios::binary);
        out << FormatHtml(report);
        if (!out) {
            std::cerr << "tallyfold_html_page: cannot write " << argv[1] << "\n";
            return 1;
        }
    } catch (const MapError& error) {
        std::cerr << "tallyfold_html_page: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
