// Finds the KELOE6100 boards: nodes named "keloe6100..." (PCI Express) and "kelo6100..." (PCI).
#ifndef CORVANE_KELOE6100_DISCOVERY_H
#define CORVANE_KELOE6100_DISCOVERY_H

#include <memory>

#include "CorvaneExport.h"
#include "LinuxCardDiscovery.h"

namespace velmor {
namespace corvane {

class CORVANE_EXPORT KELOE6100Discovery : public LinuxCardDiscovery {
public:
    KELOE6100Discovery();
    ~KELOE6100Discovery() override;
    // A new KELOE6100 on the descriptor.
    std::shared_ptr<DeviceInterface> createCardFromHandle(int handle) override;
};

}  // namespace corvane
}  // namespace velmor

#endif
