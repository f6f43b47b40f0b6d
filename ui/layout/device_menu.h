#pragma once

// What the Device menu and the Other Device box decide without Windows: which item the device
// shown checks, the parts a typed text matches, and the name a device is kept under.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/device_profile.h"
#include "core/pic18_parts.h"

// The item of kDeviceChoices that stands for the device, or kDeviceChoices.size() for a part of
// the table that is none of them (Other Device).
std::size_t ChoiceItemOf(const DeviceSelection& device);

// The parts whose names hold the typed text, in any case, with or without "PIC" and with spaces
// around it ignored, in the table's order; every part for a text of nothing but spaces.
std::vector<const Pic18Part*> PartsMatching(std::string_view typed);

// The place in `parts` of the one the Enter key takes for the typed text: the part of exactly
// that name, else the first; -1 when there is none.
int PartForEnter(const std::vector<const Pic18Part*>& parts, std::string_view typed);

// The name a device is kept under and read back by: a Device menu item's ("18F4680", "map"), or
// the part's ("18F46K22").
std::string DeviceSettingName(const DeviceSelection& device);

// The device a kept name stands for; nothing for a name that is none (the settings of another
// version, or damaged), and for "auto", which the window does not offer.
std::optional<DeviceSelection> DeviceFromSetting(std::string_view name);
