#include "KELOE5100Discovery.h"

#include "KELOE5100.h"

namespace velmor {
namespace corvane {

KELOE5100Discovery::KELOE5100Discovery() : LinuxCardDiscovery({"keloe5100", "kelo5100"}) {}

KELOE5100Discovery::~KELOE5100Discovery() = default;

std::shared_ptr<DeviceInterface> KELOE5100Discovery::createCardFromHandle(int handle) {
    return std::make_shared<KELOE5100>(handle);
}

}  // namespace corvane
}  // namespace velmor
