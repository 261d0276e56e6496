// Finds the KELOE5100 boards: nodes named "keloe5100..." (PCI Express) and "kelo5100..." (PCI).
#ifndef CORVANE_KELOE5100_DISCOVERY_H
#define CORVANE_KELOE5100_DISCOVERY_H

#include <memory>

#include "CorvaneExport.h"
#include "LinuxCardDiscovery.h"

namespace velmor {
namespace corvane {

class CORVANE_EXPORT KELOE5100Discovery : public LinuxCardDiscovery {
public:
    KELOE5100Discovery();
    ~KELOE5100Discovery() override;
    // A new KELOE5100 on the descriptor.
    std::shared_ptr<DeviceInterface> createCardFromHandle(int handle) override;
};

}  // namespace corvane
}  // namespace velmor

#endif
