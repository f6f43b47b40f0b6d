#include "core/device_profile.h"

DeviceProfile ProfileOf(const DeviceChoice& choice, const MapFacts& facts) {
    if (!choice.fromMap) {
        return {std::string(choice.name), choice.romCapacity, choice.ramCapacity};
    }
    DeviceProfile profile{facts.device, 0, 0};
    if (facts.hasCapacity) {
        profile.romCapacity = facts.romCapacity;
        profile.ramCapacity = facts.ramCapacity;
    }
    return profile;
}
