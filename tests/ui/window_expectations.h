#pragma once

// What the window must show, as the core gives it for the same map, and the ways a test hands
// the window a map or reads its message boxes.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "core/device_profile.h"
#include "core/size_table.h"
#include "layout/map_document.h"
#include "window_driver.h"

using Rows = std::vector<std::vector<std::string>>;

extern const std::wstring kExamples;
extern const std::wstring kBlinky;
extern const std::wstring kBlinkyV2;
extern const std::wstring kWeatherStation;
extern const std::wstring kKilnController;
extern const std::wstring kOldestExcerpt;
extern const std::wstring kMplinkDataLogger;
extern const std::wstring kMplinkIrrigation;  // names no part

inline const DeviceChoice& kDevice18F4680 = kDeviceChoices[0];
inline const DeviceChoice& kDevice18F458 = kDeviceChoices[1];
inline const DeviceChoice& kDeviceFromMap = kDeviceChoices[2];

// How the window counts a map: by the rule the map calls for unless one is chosen, by object
// file unless another view is chosen.
struct Counting {
    std::optional<SectionRule> rule;
    MapView view = MapView::kObjects;
};

SizeTable CoreTable(const CMapDocument& document, const Counting& counting);

// The rows the core gives for a map, as the window must show them: by ROM size, or by RAM size
// when asked for, as tallyfold-report orders them; every section counted shows the Other column.
Rows CoreRows(const std::wstring& path, const DeviceSelection& device, bool byRam = false,
              const Counting& counting = {});
inline Rows CoreRows(const std::wstring& path, const DeviceChoice& device, bool byRam = false,
                     const Counting& counting = {}) {
    return CoreRows(path, DeviceSelection(&device), byRam, counting);
}

// The status bar's line the core gives for a map shown that way, with the note of the source
// files where the map has more of them than the rows shown.
std::string CoreStatus(const std::wstring& path, const DeviceSelection& device,
                       const Counting& counting = {});
inline std::string CoreStatus(const std::wstring& path, const DeviceChoice& device,
                              const Counting& counting = {}) {
    return CoreStatus(path, DeviceSelection(&device), counting);
}

// The rows of the view by region the core gives for a map, its regions those of `part` where
// the map gives none and names no part.
Rows CoreRegionRows(const std::wstring& path, const char* part = nullptr);

// The rows of two maps compared, as the window must show them: as tallyfold-report --diff
// makes them (by the rule each map calls for, by object file), its changes signed.
Rows CoreComparisonRows(const std::wstring& oldPath, const std::wstring& newPath,
                        const DeviceChoice& device, bool byRam = false);

// A dropped file as the shell hands it over; the window frees it.
HGLOBAL DropOf(const std::wstring& path);

// What a message box shows: its texts and whether its icon is the error icon.
struct MessageBoxView {
    HWND box = nullptr;
    std::wstring text;
    bool errorIcon = false;
};

// The next message box (caption "Tallyfold") owned by the main window.
MessageBoxView WaitForMessageBox(const ProgramDriver& program);
