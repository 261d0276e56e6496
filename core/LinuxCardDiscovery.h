// Scanning "/dev/" for the device nodes of one board model and turning each open node
// into a board object.
#ifndef CORVANE_LINUX_CARD_DISCOVERY_H
#define CORVANE_LINUX_CARD_DISCOVERY_H

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CorvaneExport.h"

namespace velmor {
namespace corvane {
class DeviceHandle;
class DeviceInterface;
}  // namespace corvane
}  // namespace velmor

// The base of the per-model discoverers. It opens every node of "/dev/" whose name
// begins with one of the model's prefixes and owns the descriptors it opened, sharing
// each with the board objects built on it: destroying the discoverer closes them all,
// after which those boards fail every driver call with "File Descriptor is invalid"; a
// descriptor number is never reused while a board can still send through it.
class CORVANE_EXPORT LinuxCardDiscovery {
public:
    explicit LinuxCardDiscovery(const std::vector<std::string>& prefixes);
    LinuxCardDiscovery(const LinuxCardDiscovery&) = delete;
    LinuxCardDiscovery& operator=(const LinuxCardDiscovery&) = delete;

    // Builds the model's board object on one of the descriptors; exceptions of the
    // board's start-up pass through unchanged.
    virtual std::shared_ptr<velmor::corvane::DeviceInterface> createCardFromHandle(int handle) = 0;

    // Closes every descriptor of its latest scan, in index order.
    virtual ~LinuxCardDiscovery();

    // Opens every matching node (read-write). Returns false when "/dev/" cannot be read
    // or when no node was opened; never raises. A second scan first lets go of the
    // descriptors of the previous one: those that boards still hold stay open until the
    // last of those boards is released, the others are closed.
    bool discoverDevices();

    // Device index (0, 1, ... in directory order) to open descriptor.
    const std::map<int, int>& getDeviceHandles() const;

    const std::vector<std::string>& getPrefixes() const { return prefixes; }

    // The directory that is scanned.
    static const char* const devicePath;

protected:
    // Closes every descriptor of the latest scan (boards holding one fail from then on).
    void closeHandles() noexcept;
    // Lets go of the latest scan's descriptors without closing those boards still hold.
    void releaseHandles() noexcept;

    std::vector<std::string> prefixes;
    std::map<int, int> deviceHandles;
    // The same descriptors, by device index, as handles shared with the boards.
    std::map<int, std::shared_ptr<velmor::corvane::DeviceHandle>> sharedHandles;
};

#endif
