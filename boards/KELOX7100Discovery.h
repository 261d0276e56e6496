// Finds the KELOX7100 boards: nodes named "keloe7100..." (PCI Express) and "kelo7100..." (PCI).
#ifndef CORVANE_KELOX7100_DISCOVERY_H
#define CORVANE_KELOX7100_DISCOVERY_H

#include <memory>

#include "CorvaneExport.h"
#include "LinuxCardDiscovery.h"

namespace velmor {
namespace corvane {

class CORVANE_EXPORT KELOX7100Discovery : public LinuxCardDiscovery {
public:
    KELOX7100Discovery();
    ~KELOX7100Discovery() override;
    // A new KELOX7100 on the descriptor.
    std::shared_ptr<DeviceInterface> createCardFromHandle(int handle) override;
};

}  // namespace corvane
}  // namespace velmor

#endif
