#include "DeviceDiscovery.h"

#include "DeviceDiscoverySingleton.h"

namespace velmor {
namespace corvane {

std::vector<std::shared_ptr<Device>> DeviceDiscovery::getDevices() {
    const auto boards = DeviceDiscoverySingleton::getInstance("/dev/").getAllDevices();
    std::vector<std::shared_ptr<Device>> devices;
    devices.reserve(boards.size());
    for (const auto& entry : boards) {
        devices.push_back(entry.second);
    }
    return devices;
}

std::shared_ptr<Device> DeviceDiscovery::getDeviceFromId(const std::string& id) {
    return DeviceDiscoverySingleton::getInstance("/dev/").getDeviceFromID(id);
}

}  // namespace corvane
}  // namespace velmor
