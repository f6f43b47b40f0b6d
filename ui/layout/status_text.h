#pragma once

// The line under the window's table, in parts: which rule counted the rows, for which device,
// what the map's own figures say about them, and notes.

#include <cstddef>
#include <string>

#include "core/device_profile.h"
#include "core/size_table.h"

struct StatusParts {
    std::string rule;    // "All sections"
    std::string device;  // "18F4680 (ROM 65536, RAM 3328 bytes)"
    // "agrees with the map's TOTAL section ...", and each check that disagrees or could not be
    // made; empty when the map gives nothing to check.
    std::string checks;
    bool disagrees = false;  // some check disagrees: the part carries a warning sign
    std::string notes;       // what the listed names found, a view with more rows...
};

// `shown` is the table on screen. `complete` is the same map counted with every section when
// `shown` was counted with the listed names and the map has a TOTAL section (then the notes say
// how many of the TOTAL section's bytes the listed names found); otherwise nullptr. `hint` is a
// further note, empty for none.
StatusParts StatusPartsOf(const SizeTable& shown, const DeviceProfile& device,
                          const SizeTable* complete, const std::string& hint = {});

// Two maps compared, as a comparison sums them by `rule`: the rule, the device, what each map's
// own figures say ("both maps agree with ...", or each map's checks), and in the notes the total
// change since the older map, "ROM +120, RAM -8 bytes since blinky.map".
StatusParts ComparisonStatusPartsOf(const SizeTable& older, const SizeTable& newer,
                                    SectionRule rule, const DeviceProfile& device,
                                    const std::string& change, const std::string& olderName);

// The parts as one line: "All sections, 18F4680 (...): agrees with ...; notes".
std::string StatusText(const StatusParts& parts);

// "View > Source Files: 13 source files": the note that tells of the view by source file when it
// has more rows than the view shown (an object file of the newest compiler generation holds the
// whole program). `menuItem` is the view's item without its access key; empty when the view has
// no more rows.
std::string SourceFilesHint(const std::string& menuItem, std::size_t sourceFiles,
                            std::size_t shownRows);

// How many rows of a table are shown: those with a size other than 0.
std::size_t ShownRowCount(const SizeTable& table);
