#include "KELOE6100Discovery.h"

#include "KELOE6100.h"

namespace velmor {
namespace corvane {

KELOE6100Discovery::KELOE6100Discovery() : LinuxCardDiscovery({"keloe6100", "kelo6100"}) {}

KELOE6100Discovery::~KELOE6100Discovery() = default;

std::shared_ptr<DeviceInterface> KELOE6100Discovery::createCardFromHandle(int handle) {
    return std::make_shared<KELOE6100>(handle);
}

}  // namespace corvane
}  // namespace velmor
