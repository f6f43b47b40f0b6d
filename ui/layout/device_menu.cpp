#include "layout/device_menu.h"

namespace {

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The typed text as the table spells names: upper case, without spaces around it or "PIC".
std::string AsPartName(std::string_view typed) {
    const std::size_t first = typed.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    typed = typed.substr(first, typed.find_last_not_of(' ') - first + 1);
    std::string name;
    for (char c : typed) {
        name += AsciiUpper(c);
    }
    if (name.compare(0, 3, "PIC") == 0) {
        name.erase(0, 3);
    }
    return name;
}

}  // namespace

std::size_t ChoiceItemOf(const DeviceSelection& device) {
    for (std::size_t item = 0; item < kDeviceChoices.size(); ++item) {
        const DeviceChoice& choice = kDeviceChoices[item];
        if (choice.fromMap ? device.rule == DeviceRule::kMap
                           : device.rule == DeviceRule::kPart && device.name == choice.name) {
            return item;
        }
    }
    return kDeviceChoices.size();
}

std::vector<const Pic18Part*> PartsMatching(std::string_view typed) {
    const std::string name = AsPartName(typed);
    std::vector<const Pic18Part*> parts;
    for (const Pic18Part& part : AllPic18Parts()) {
        if (part.name.find(name) != std::string_view::npos) {
            parts.push_back(&part);
        }
    }
    return parts;
}

int PartForEnter(const std::vector<const Pic18Part*>& parts, std::string_view typed) {
    const std::string name = AsPartName(typed);
    for (std::size_t place = 0; place < parts.size(); ++place) {
        if (parts[place]->name == name) {
            return static_cast<int>(place);
        }
    }
    return parts.empty() ? -1 : 0;
}

std::string DeviceSettingName(const DeviceSelection& device) {
    const std::size_t item = ChoiceItemOf(device);
    return item < kDeviceChoices.size() ? std::string(kDeviceChoices[item].name) : device.name;
}

std::optional<DeviceSelection> DeviceFromSetting(std::string_view name) {
    for (const DeviceChoice& choice : kDeviceChoices) {
        if (choice.name == name) {
            return DeviceSelection(&choice);
        }
    }
    std::optional<DeviceSelection> device = DeviceSelectionNamed(name);
    if (device && device->rule != DeviceRule::kPart) {
        return std::nullopt;  // "auto": the window's devices are its menu's and the parts
    }
    return device;
}
