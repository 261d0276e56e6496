// Finds the KELO42XX port boards: nodes named "kelo4210..." (96 channels) and "kelo4220..." (48).
#ifndef CORVANE_KELO42XX_DISCOVERY_H
#define CORVANE_KELO42XX_DISCOVERY_H

#include <memory>

#include "CorvaneExport.h"
#include "LinuxCardDiscovery.h"

namespace velmor {
namespace corvane {

class CORVANE_EXPORT KELO42XXDiscovery : public LinuxCardDiscovery {
public:
    KELO42XXDiscovery();
    ~KELO42XXDiscovery() override;
    // A new KELO42XX on the descriptor.
    std::shared_ptr<DeviceInterface> createCardFromHandle(int handle) override;
};

}  // namespace corvane
}  // namespace velmor

#endif
