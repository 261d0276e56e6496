// Finds the KELO3100 boards: device nodes whose names begin with "kelo3100" (PCI) or
// "keloe3100" (PCI Express).
#ifndef CORVANE_KELO3100_DISCOVERY_H
#define CORVANE_KELO3100_DISCOVERY_H

#include <memory>

#include "CorvaneExport.h"
#include "LinuxCardDiscovery.h"

namespace velmor {
namespace corvane {

class DeviceInterface;

class CORVANE_EXPORT KELO3100Discovery : public LinuxCardDiscovery {
public:
    KELO3100Discovery();
    ~KELO3100Discovery() override;

    // A new KELO3100 on the descriptor; its start-up failures pass through.
    std::shared_ptr<DeviceInterface> createCardFromHandle(int handle) override;
};

}  // namespace corvane
}  // namespace velmor

#endif
