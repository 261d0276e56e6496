#include "KELOX7100Discovery.h"

#include "KELOX7100.h"

namespace velmor {
namespace corvane {

KELOX7100Discovery::KELOX7100Discovery() : LinuxCardDiscovery({"keloe7100", "kelo7100"}) {}

KELOX7100Discovery::~KELOX7100Discovery() = default;

std::shared_ptr<DeviceInterface> KELOX7100Discovery::createCardFromHandle(int handle) {
    return std::make_shared<KELOX7100>(handle);
}

}  // namespace corvane
}  // namespace velmor
