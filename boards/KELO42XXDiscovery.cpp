#include "KELO42XXDiscovery.h"

#include "KELO42XX.h"

namespace velmor {
namespace corvane {

KELO42XXDiscovery::KELO42XXDiscovery() : LinuxCardDiscovery({"kelo4210", "kelo4220"}) {}

KELO42XXDiscovery::~KELO42XXDiscovery() = default;

std::shared_ptr<DeviceInterface> KELO42XXDiscovery::createCardFromHandle(int handle) {
    return std::make_shared<KELO42XX>(handle);
}

}  // namespace corvane
}  // namespace velmor
