// The process-wide registry of board objects, keyed by device identifier.
#ifndef CORVANE_DEVICE_DISCOVERY_SINGLETON_H
#define CORVANE_DEVICE_DISCOVERY_SINGLETON_H

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "CorvaneExport.h"
#include "DeviceInterface.h"
#include "LinuxCardDiscovery.h"
#include "VelmorTypes.h"

namespace velmor {
namespace corvane {

// Built once per process by the first getInstance() call: every board model's discoverer
// scans "/dev/", every opened node becomes a board object, and the boards are kept under
// their identifier (for example keloe6100_0), sorted byte-wise. The map never changes
// afterwards, so readers take no lock.
class CORVANE_EXPORT DeviceDiscoverySingleton {
public:
    // The single registry. The first call builds it (thread-safe); later calls return it
    // and ignore their argument. If building fails (a board that does not start), the
    // exception reaches the caller, nothing is kept, and the next call starts over.
    static DeviceDiscoverySingleton& getInstance(const std::string& devicePath);

    // An empty registry: no discoverers, nothing scanned.
    DeviceDiscoverySingleton();
    // Creates the discoverers of every model and builds the map.
    explicit DeviceDiscoverySingleton(const std::string& devicePath);
    DeviceDiscoverySingleton(const DeviceDiscoverySingleton&) = delete;
    DeviceDiscoverySingleton& operator=(const DeviceDiscoverySingleton&) = delete;

    // Destroys the discoverers first (closing every descriptor), then releases the boards.
    virtual ~DeviceDiscoverySingleton();

    // Scans with every discoverer and inserts its boards; a board whose identifier is
    // already present is released and the first one keeps the identifier. The map is
    // built once: a later call changes nothing (readers never see the map change, and
    // boards built earlier keep their descriptors) and writes one WARNING line to the
    // discovery log. A build that finds more boards than the C interface's count holds
    // (255) says once in that log how many the C count and list leave out.
    virtual void initDeviceMap();

    // Replaces the stored path; nothing is rescanned.
    void setDevicePath(const std::string& devicePath);
    const std::string& getDevicePath() const { return devicePath; }

    // The number of boards, at most 255 (the C interface's 8-bit count): with more
    // boards the C count and list hold the first 255 in identifier order, while the
    // object interface still sees every board.
    unsigned char getNumberOfDevices() const;
    // One fresh copy of each board's device structure, in identifier order.
    std::vector<VelmorDeviceStruct> getAllDevicesInformation() const;
    // Exact match; raises CorvaneException 0x80002810 "map::at" when there is none.
    std::shared_ptr<DeviceInterface> getDeviceFromID(const std::string& id) const;
    std::map<std::string, std::shared_ptr<DeviceInterface>> getAllDevices() const;
    // The boards whose identifier contains prefix anywhere and whose device type is type.
    std::map<std::string, std::shared_ptr<DeviceInterface>> getAllDevices(
        const std::string& prefix, VELMOR_DEVICE_TYPE type) const;
    std::vector<std::string> getDevicesId() const;

private:
    std::map<std::string, std::shared_ptr<DeviceInterface>> deviceMap;
    std::string devicePath;
    std::vector<std::unique_ptr<LinuxCardDiscovery>> discoverers;
    std::mutex mapMutex;
    std::atomic<bool> mapBuilt{false};
};

}  // namespace corvane
}  // namespace velmor

#endif
