#pragma once

// The line under the window's table: which rule counted the rows, for which device, and what
// the map's own figures say about them.

#include <string>

#include "core/device_profile.h"
#include "core/size_table.h"

// `shown` is the table on screen. `complete` is the same map counted with every section when
// `shown` was counted with the listed names and the map has a TOTAL section (then the line says
// how many of the TOTAL section's bytes the listed names found); otherwise nullptr.
std::string StatusText(const SizeTable& shown, const DeviceProfile& device,
                       const SizeTable* complete);
