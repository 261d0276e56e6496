// The short way to the boards for callers of the object interface.
#ifndef CORVANE_DEVICE_DISCOVERY_H
#define CORVANE_DEVICE_DISCOVERY_H

#include <memory>
#include <string>
#include <vector>

#include "CorvaneExport.h"
#include "Device.h"

namespace velmor {
namespace corvane {

class CORVANE_EXPORT DeviceDiscovery {
public:
    // Every board of the registry, in identifier order.
    static std::vector<std::shared_ptr<Device>> getDevices();
    // The board with exactly this identifier; raises CorvaneException 0x80002810
    // "map::at" when there is none.
    static std::shared_ptr<Device> getDeviceFromId(const std::string& id);
};

}  // namespace corvane
}  // namespace velmor

#endif
