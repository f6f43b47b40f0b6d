#pragma once

// The example maps as the HTML report's tests read them: counted as the report command counts
// them by default, sorted by ROM size, with the device the map itself names.

#include <memory>
#include <string>

#include "core/device_profile.h"
#include "readers/map_reader.h"
#include "report/report_html.h"
#include "report/size_report.h"
#include "core/size_table.h"

struct MapSizes {
    std::string name;
    SizeTable sizes;
};

inline std::unique_ptr<MapSizes> ReadMapSizes(const std::string& bytes, const std::string& name) {
    auto map = std::make_unique<MapSizes>();
    map->name = name;
    map->sizes = CountMap(bytes, name, OffersOf(bytes).calledFor, true);
    SortByRomSize(map->sizes.rows);
    return map;
}

// The device the map describes, as --device map takes it.
inline DeviceProfile DeviceOfMap(const MapSizes& map) {
    return ProfileOf(*FindDeviceChoice("map"), map.sizes.facts);
}

// The table of one map, as the report command gives it.
inline ReportTable TableOfMap(const MapSizes& map, const DeviceProfile& device) {
    return BuildReportRows(map.sizes, device, map.sizes.rule == SectionRule::kAll);
}
