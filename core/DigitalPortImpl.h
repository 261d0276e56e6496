#ifndef CORVANE_DIGITAL_PORT_IMPL_H
#define CORVANE_DIGITAL_PORT_IMPL_H

#include "DeviceInterface.h"
#include "DigitalIOPortsInterface.h"

namespace velmor {
namespace corvane {

// State shared by boards whose lines are grouped in 8-bit ports: the output-memory flag.
class CORVANE_EXPORT DigitalPortImpl : public virtual DeviceInterface,
                                       public virtual DigitalIOPortsInterface {
public:
    DigitalPortImpl();
    ~DigitalPortImpl() override;

    void setOutputMemoryOn() override;
    void setOutputMemoryOff() override;

protected:
    bool outputMemory;
};

}  // namespace corvane
}  // namespace velmor

#endif
