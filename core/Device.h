// The root type of every board object, as callers of the object interface hold it.
#ifndef CORVANE_DEVICE_H
#define CORVANE_DEVICE_H

#include <map>
#include <string>

#include "CorvaneExport.h"
#include "VelmorTypes.h"

namespace velmor {
namespace corvane {

class TimerInterface;
class DigitalIOInterface;
class DigitalIOPortsInterface;
class InterruptInterface;
class CounterInterface;
class WatchdogInterface;
class PluginInterface;

class CORVANE_EXPORT Device {
public:
    Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;
    virtual ~Device();

    // A copy of the board's device structure, taken whole under the board's lock.
    virtual VelmorDeviceStruct getDeviceInformation() const = 0;

    // The board viewed through one capability, or null when it does not offer it.
    TimerInterface* timer();
    DigitalIOInterface* digitalIo();
    DigitalIOPortsInterface* digitalIoPorts();
    InterruptInterface* interrupt();
    CounterInterface* counter();
    WatchdogInterface* watchdog();

    // The plug-in registered under exactly this name; raises CorvaneException 0x89000E04
    // when there is none.
    PluginInterface* plugin(const std::string& name);

protected:
    // Owns the plug-in objects; filled while the board is built.
    std::map<std::string, PluginInterface*> plugins;
};

}  // namespace corvane
}  // namespace velmor

#endif
