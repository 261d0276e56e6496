#include "KELO3100Discovery.h"

#include "KELO3100.h"

namespace velmor {
namespace corvane {

KELO3100Discovery::KELO3100Discovery() : LinuxCardDiscovery({"kelo3100", "keloe3100"}) {}

KELO3100Discovery::~KELO3100Discovery() = default;

std::shared_ptr<DeviceInterface> KELO3100Discovery::createCardFromHandle(int handle) {
    return std::make_shared<KELO3100>(handle);
}

}  // namespace corvane
}  // namespace velmor
