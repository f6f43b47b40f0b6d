#pragma once

// The items of the Device and View menus, each tied to the entry it chooses in the table that
// --device, --sections or --by reads: a device or a view is added as a row of its table and of
// the list here (with its menu item), and the build checks that the two agree.

#include <array>
#include <cstddef>
#include <string_view>

#include "core/device_profile.h"
#include "report/report_table.h"
#include "resource.h"

// A menu item and the name of the choice it makes.
struct MenuChoice {
    unsigned command;
    std::string_view name;
};

// In the order of kDeviceChoices.
inline constexpr std::array<MenuChoice, 3> kDeviceItems = {{
    {IDM_DEVICE_18F4680, "18F4680"},
    {IDM_DEVICE_18F458, "18F458"},
    {IDM_DEVICE_FROM_MAP, "map"},
}};

// In the order of kSectionRuleNames.
inline constexpr std::array<MenuChoice, 2> kRuleItems = {{
    {IDM_VIEW_LISTED_SECTIONS, "listed"},
    {IDM_VIEW_ALL_SECTIONS, "all"},
}};

// In the order of kViewChoices.
inline constexpr std::array<MenuChoice, 4> kViewItems = {{
    {IDM_VIEW_OBJECT_FILES, "object"},
    {IDM_VIEW_SOURCE_FILES, "module"},
    {IDM_VIEW_SYMBOLS, "symbol"},
    {IDM_VIEW_REGIONS, "region"},
}};

// Whether the items name the choices one for one, in the choices' order.
template <typename Choices, std::size_t kCount>
constexpr bool NameInOrder(const std::array<MenuChoice, kCount>& items, const Choices& choices) {
    if (items.size() != choices.size()) {
        return false;
    }
    for (std::size_t i = 0; i < kCount; ++i) {
        if (items[i].name != choices[i].name) {
            return false;
        }
    }
    return true;
}

static_assert(NameInOrder(kDeviceItems, kDeviceChoices), "a Device item for every device");
static_assert(NameInOrder(kRuleItems, kSectionRuleNames), "a View item for every rule");
static_assert(NameInOrder(kViewItems, kViewChoices), "a View item for every view");

// The place of the item with that command, or kCount when none has it.
template <std::size_t kCount>
constexpr std::size_t ItemOf(const std::array<MenuChoice, kCount>& items, unsigned command) {
    std::size_t place = 0;
    while (place < kCount && items[place].command != command) {
        ++place;
    }
    return place;
}
