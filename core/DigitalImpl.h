#ifndef CORVANE_DIGITAL_IMPL_H
#define CORVANE_DIGITAL_IMPL_H

#include <cstdint>
#include <map>

#include "DeviceInterface.h"
#include "DigitalIOInterface.h"

namespace velmor {
namespace corvane {

// State shared by boards with numbered digital channels: the output-memory flag and
// the digital interrupt configuration (event per channel 0..63, logic per port 0..3).
// Never talks to the driver.
class CORVANE_EXPORT DigitalImpl : public virtual DeviceInterface, public virtual DigitalIOInterface {
public:
    DigitalImpl();
    ~DigitalImpl() override;

    void setOutputMemoryOn() override;
    void setOutputMemoryOff() override;

    void initInterruptMaps();
    void resetEventMaps();
    // Raises CorvaneException 0x82001A10 "map::at" if a channel entry is missing.
    bool isAnyDigitalInterruptEventSet();

protected:
    bool outputMemory;
    std::map<uint8_t, DIGITAL_EVENT_TYPE> channelEventMap;
    std::map<uint8_t, DIGITAL_EVENT_LOGIC> portLogicMap;
};

// Accepts channels 0..15 (taken as unsigned 8-bit); otherwise raises
// CorvaneException 0x82001004 "Wrong channel range. Valid is from 0 to 15.".
CORVANE_EXPORT void verifyChannelRange(char channel);

}  // namespace corvane
}  // namespace velmor

#endif
