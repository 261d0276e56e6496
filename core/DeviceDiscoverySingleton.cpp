#include "DeviceDiscoverySingleton.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "CorvaneErrors.h"
#include "CorvaneException.h"
#include "DiscoveryLog.h"
#include "KELO3100Discovery.h"
#include "KELO42XXDiscovery.h"
#include "KELOE5100Discovery.h"
#include "KELOE6100Discovery.h"
#include "KELOX7100Discovery.h"

namespace velmor {
namespace corvane {

namespace {

// One discoverer per board model, in this order. Add a model with one line at its place.
std::vector<std::unique_ptr<LinuxCardDiscovery>> createDiscoverers() {
    std::vector<std::unique_ptr<LinuxCardDiscovery>> discoverers;
    discoverers.push_back(std::make_unique<KELO3100Discovery>());
    discoverers.push_back(std::make_unique<KELOE6100Discovery>());
    discoverers.push_back(std::make_unique<KELOE5100Discovery>());
    discoverers.push_back(std::make_unique<KELOX7100Discovery>());
    discoverers.push_back(std::make_unique<KELO42XXDiscovery>());
    return discoverers;
}

// The largest count an unsigned char holds.
constexpr size_t kMaxCountedDevices = 255;

std::string identifierOf(const VelmorDeviceStruct& information) {
    return std::string(information.id, strnlen(information.id, sizeof information.id));
}

}  // namespace

DeviceDiscoverySingleton& DeviceDiscoverySingleton::getInstance(const std::string& devicePath) {
    // A function-local static: built once, under the static-initialisation guard; a
    // constructor that raises leaves it unbuilt, so the next call tries again.
    static DeviceDiscoverySingleton instance(devicePath);
    return instance;
}

DeviceDiscoverySingleton::DeviceDiscoverySingleton() = default;

DeviceDiscoverySingleton::DeviceDiscoverySingleton(const std::string& devicePath)
    : devicePath(devicePath), discoverers(createDiscoverers()) {
    // Should a board fail to start, the members unwind in reverse order: the discoverers
    // close their descriptors, then the boards already built are released.
    initDeviceMap();
}

DeviceDiscoverySingleton::~DeviceDiscoverySingleton() {
    for (auto& discoverer : discoverers) {
        discoverer.reset();
    }
    discoverers.clear();
    deviceMap.clear();
}

void DeviceDiscoverySingleton::initDeviceMap() {
    if (mapBuilt.exchange(true)) {
        DiscoveryLog().write(foundation::Logger::WARNING,
                             "The device map is already built; initDeviceMap() is ignored "
                             "(the registry never rescans)");
        return;
    }
    for (auto& discoverer : discoverers) {
        discoverer->discoverDevices();
        const std::map<int, int> handles = discoverer->getDeviceHandles();
        for (const auto& entry : handles) {
            std::shared_ptr<DeviceInterface> board = discoverer->createCardFromHandle(entry.second);
            const std::string id = identifierOf(board->getDeviceInformation());
            std::lock_guard<std::mutex> lock(mapMutex);
            deviceMap.emplace(id, std::move(board));
        }
    }
    if (deviceMap.size() > kMaxCountedDevices) {
        DiscoveryLog().write(foundation::Logger::WARNING,
                             std::to_string(deviceMap.size()) +
                                 " boards found: the C interface counts and lists only the first " +
                                 std::to_string(kMaxCountedDevices) +
                                 " (in identifier order) and leaves " +
                                 std::to_string(deviceMap.size() - kMaxCountedDevices) + " out");
    }
}

void DeviceDiscoverySingleton::setDevicePath(const std::string& path) { devicePath = path; }

unsigned char DeviceDiscoverySingleton::getNumberOfDevices() const {
    // Saturates instead of wrapping: a C caller sizes its list buffer from this count.
    return static_cast<unsigned char>(std::min<size_t>(deviceMap.size(), kMaxCountedDevices));
}

std::vector<VelmorDeviceStruct> DeviceDiscoverySingleton::getAllDevicesInformation() const {
    std::vector<VelmorDeviceStruct> informations;
    informations.reserve(deviceMap.size());
    for (const auto& entry : deviceMap) {
        informations.push_back(entry.second->getDeviceInformation());
    }
    return informations;
}

std::shared_ptr<DeviceInterface> DeviceDiscoverySingleton::getDeviceFromID(const std::string& id) const {
    const auto found = deviceMap.find(id);
    if (found == deviceMap.end()) {
        throw CorvaneException("map::at", VELMOR_ERROR_CODE(VELMOR_API, VELMOR_DOMAIN_GENERIC,
                                                            VELMOR_FUNCTION_GET_DEVICES,
                                                            VELMOR_REASON_INVALID_ID));
    }
    return found->second;
}

std::map<std::string, std::shared_ptr<DeviceInterface>> DeviceDiscoverySingleton::getAllDevices() const {
    return deviceMap;
}

std::map<std::string, std::shared_ptr<DeviceInterface>> DeviceDiscoverySingleton::getAllDevices(
    const std::string& prefix, VELMOR_DEVICE_TYPE type) const {
    std::map<std::string, std::shared_ptr<DeviceInterface>> selected;
    for (const auto& entry : deviceMap) {
        if (entry.first.find(prefix) == std::string::npos) {
            continue;
        }
        if (entry.second->getDeviceInformation().general.device_type ==
            static_cast<uint32_t>(type)) {
            selected.emplace(entry.first, entry.second);
        }
    }
    return selected;
}

std::vector<std::string> DeviceDiscoverySingleton::getDevicesId() const {
    std::vector<std::string> ids;
    ids.reserve(deviceMap.size());
    for (const auto& entry : deviceMap) {
        ids.push_back(entry.first);
    }
    return ids;
}

}  // namespace corvane
}  // namespace velmor
