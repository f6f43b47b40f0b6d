#include "device_profile.h"

const DeviceProfile* FindDeviceProfile(std::string_view name) {
    if (name == kDevice18F4680.name) {
        return &kDevice18F4680;
    }
    if (name == kDevice18F458.name) {
        return &kDevice18F458;
    }
    return nullptr;
}
