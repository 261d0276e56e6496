// The common base of every board object: descriptor, device structure, transport,
// logger and plug-ins.
#ifndef CORVANE_DEVICE_INTERFACE_H
#define CORVANE_DEVICE_INTERFACE_H

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "CorvaneExport.h"
#include "Device.h"
#include "IoctlInterface.h"
#include "Logger.h"
#include "VelmorTypes.h"

namespace velmor {
namespace corvane {

class DeviceHandle;

class CORVANE_EXPORT DeviceInterface : public Device {
public:
    // Binds the transport to the descriptor, fills the command names and loads the
    // plug-ins. A descriptor that a discoverer opened is shared with it: once the
    // discoverer closes it, every driver call fails with "File Descriptor is invalid"
    // (the number is never reused while the board holds it). Any other descriptor is
    // borrowed and never closed by the board. A descriptor that cannot be bound raises
    // CorvaneException 0x00001208.
    explicit DeviceInterface(int handle);
    ~DeviceInterface() override;

    VelmorDeviceStruct getDeviceInformation() const override;
    // Refreshes the device structure from the driver; every board overrides it.
    virtual void updateInfo();

    void setDeviceInformation(VelmorDeviceStruct information);
    int getHandle() const;

    void initCard();
    // Initialises every registered plug-in that is not initialised yet, in name order.
    void initPlugins();
    void discoverPlugins(const std::string& directory);

    // The only way board code reaches the driver: traces the call at DEBUG and turns a
    // transport failure into CorvaneException carrying the driver's own account.
    void ioctlCall(unsigned int command, void* argument, unsigned long size);
    std::string ioctlToString(unsigned int command);
    void initIoctlMap();
    void logError(const std::string& message);

    // Board objects alive in the process.
    static std::atomic<int> device_count;

    static const char* const pluginDirectory;

protected:
    // Writes one line to the board's log. A log file that cannot be written never
    // changes the outcome of the operation that logs.
    void logLine(foundation::Logger::Level level, const std::string& message) noexcept;

    VelmorDeviceStruct deviceInformation;
    mutable std::mutex deviceInformationMutex;
    std::unique_ptr<IoctlInterface> ioctl;
    foundation::Logger logger;
    std::map<unsigned int, std::string> ioctlMap;
    std::vector<void*> pluginHandles;
    int handle;
    // The descriptor shared with the transport (and with the discoverer that opened it).
    std::shared_ptr<DeviceHandle> deviceHandle;

private:
    // A plug-in is shut down only when it was initialised: one that never was (displaced
    // by a later plug-in of the same name, or on a board that never initialised its
    // plug-ins) is deleted without it.
    void deletePlugin(const std::string& name, PluginInterface* plugin) noexcept;

    std::set<PluginInterface*> initialisedPlugins;
    std::map<std::string, void*> pluginLibraries;  // the library each registered plug-in came from
};

}  // namespace corvane
}  // namespace velmor

#endif
