#pragma once

#include <cstdint>
#include <string_view>

// The memory capacities of a target device, in bytes.
struct DeviceProfile {
    std::string_view name;  // as the Device menu shows it
    std::int32_t romCapacity;
    std::int32_t ramCapacity;
};

inline constexpr DeviceProfile kDevice18F4680{"18F4680", 65536, 3328};
inline constexpr DeviceProfile kDevice18F458{"18F458", 32768, 1536};

// The device of that menu name, or nullptr.
const DeviceProfile* FindDeviceProfile(std::string_view name);
