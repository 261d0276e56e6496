#include "LinuxCardDiscovery.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "DeviceHandle.h"
#include "DiscoveryLog.h"

const char* const LinuxCardDiscovery::devicePath = "/dev/";

using velmor::corvane::DeviceHandle;
using velmor::corvane::DiscoveryLog;
using velmor::foundation::Logger;

LinuxCardDiscovery::LinuxCardDiscovery(const std::vector<std::string>& prefixes)
    : prefixes(prefixes) {}

LinuxCardDiscovery::~LinuxCardDiscovery() { closeHandles(); }

void LinuxCardDiscovery::closeHandles() noexcept {
    for (const auto& entry : sharedHandles) {
        entry.second->close();
    }
    releaseHandles();
}

void LinuxCardDiscovery::releaseHandles() noexcept {
    sharedHandles.clear();
    deviceHandles.clear();
}

const std::map<int, int>& LinuxCardDiscovery::getDeviceHandles() const { return deviceHandles; }

bool LinuxCardDiscovery::discoverDevices() {
    DiscoveryLog log;
    releaseHandles();

    const std::string path = devicePath;
    DIR* directory = ::opendir(path.c_str());
    if (directory == nullptr) {
        log.write(Logger::ERROR, "Device path not found: " + path);
        return false;
    }

    int index = 0;
    while (const struct dirent* entry = ::readdir(directory)) {
        const std::string name = entry->d_name;
        for (const std::string& prefix : prefixes) {
            if (name.compare(0, prefix.size(), prefix) != 0) {
                continue;
            }
            const std::string nodePath = path + name;
            const int descriptor = ::open(nodePath.c_str(), O_RDWR);
            if (descriptor >= 0) {
                sharedHandles[index] = DeviceHandle::adopt(descriptor);
                deviceHandles[index] = descriptor;
                log.write(Logger::INFO,
                          "Device discovered (ID: " + std::to_string(index) + "): " + nodePath);
                ++index;
            } else if (errno != EISDIR) {
                const int error = errno;
                log.write(Logger::ERROR, "Failed to open device: " + nodePath + " (" +
                                             std::strerror(error) + ")");
            }
        }
    }
    ::closedir(directory);

    if (!prefixes.empty() && deviceHandles.empty()) {
        log.write(Logger::INFO, "No matching devices found with prefix: " + prefixes.front());
        return false;
    }
    return true;
}
