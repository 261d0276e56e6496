#include "DeviceInterface.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include "CorvaneErrors.h"
#include "CorvaneException.h"
#include "DeviceHandle.h"
#include "IoctlCommandTable.h"
#include "IoctlCommands.h"
#include "LinuxIoctl.h"
#include "PluginInterface.h"

namespace velmor {
namespace corvane {

std::atomic<int> DeviceInterface::device_count{0};

const char* const DeviceInterface::pluginDirectory = "/opt/velmor/Corvane/plugins";

namespace {

using Level = foundation::Logger::Level;

constexpr unsigned long logFileSize = 5242880;
constexpr int logBackupFiles = 5;

// Why code at this path must not be trusted, or an empty text when it may be loaded:
// it must be writable only by its owner, and the owner must be root or this process's user.
std::string untrustedReason(const struct stat& status) {
    if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return "it is writable by group or others";
    }
    if (status.st_uid != 0 && status.st_uid != geteuid()) {
        return "it is owned by user " + std::to_string(status.st_uid) +
               ", neither root nor the user of this process";
    }
    return std::string();
}

bool isPluginFileName(const std::string& name) {
    if (name.find("Corvane") == std::string::npos) {
        return false;
    }
    for (const char* extension : {".so", ".a"}) {
        if (name.find(extension) != std::string::npos) {
            return true;
        }
    }
    return false;
}

}  // namespace

DeviceInterface::DeviceInterface(int handle)
    : deviceInformation{},
      ioctl(),
      logger("velmor", "velmor.log", logFileSize, logBackupFiles),
      handle(handle) {
    ++device_count;
    try {
        deviceHandle = DeviceHandle::forDescriptor(handle);
        ioctl = std::make_unique<LinuxIoctl>();
        initCard();
    } catch (const IoctlException& e) {
        // The destructor does not run for a base that failed to build.
        --device_count;
        throw CorvaneException(std::string("Could not initialize the device. ") + e.what(),
                               VELMOR_ERROR_CODE(VELMOR_DRIVER, VELMOR_DOMAIN_GENERIC,
                                                 VELMOR_FUNCTION_INIT,
                                                 VELMOR_REASON_HARDWARE_FAILURE));
    } catch (...) {
        --device_count;
        throw;
    }
    discoverPlugins(pluginDirectory);
}

DeviceInterface::~DeviceInterface() {
    --device_count;
    for (auto& entry : plugins) {
        deletePlugin(entry.first, entry.second);
    }
    plugins.clear();
    for (void* library : pluginHandles) {
        dlclose(library);
    }
    pluginHandles.clear();
}

VelmorDeviceStruct DeviceInterface::getDeviceInformation() const {
    std::lock_guard<std::mutex> lock(deviceInformationMutex);
    return deviceInformation;
}

void DeviceInterface::updateInfo() {}

void DeviceInterface::setDeviceInformation(VelmorDeviceStruct information) {
    std::lock_guard<std::mutex> lock(deviceInformationMutex);
    deviceInformation = information;
}

int DeviceInterface::getHandle() const { return handle; }

void DeviceInterface::initCard() {
    if (auto* transport = dynamic_cast<LinuxIoctl*>(ioctl.get())) {
        transport->bindDeviceHandle(deviceHandle);
    } else {
        ioctl->setDeviceHandle(handle);
    }
    initIoctlMap();
}

void DeviceInterface::initPlugins() {
    for (auto& entry : plugins) {
        if (initialisedPlugins.count(entry.second) != 0) {
            continue;
        }
        entry.second->initialize(getHandle(), &deviceInformation);
        initialisedPlugins.insert(entry.second);
    }
}

void DeviceInterface::deletePlugin(const std::string& name, PluginInterface* plugin) noexcept {
    if (initialisedPlugins.erase(plugin) != 0) {
        try {
            plugin->shutdown();
        } catch (const std::exception& e) {
            logLine(Level::ERROR, "Plugin " + name + " failed to shut down: " + e.what());
        } catch (...) {
            logLine(Level::ERROR, "Plugin " + name + " failed to shut down.");
        }
    }
    delete plugin;
}

void DeviceInterface::discoverPlugins(const std::string& directory) {
    DIR* listing = opendir(directory.c_str());
    if (listing == nullptr) {
        return;
    }
    std::vector<std::string> names;
    struct stat directoryStatus {};
    bool directoryKnown = fstat(dirfd(listing), &directoryStatus) == 0;
    while (struct dirent* entry = readdir(listing)) {
        if (entry->d_type == DT_REG) {
            names.emplace_back(entry->d_name);
        }
    }
    closedir(listing);
    if (names.empty()) {
        return;
    }

    bool directoryChecked = false;
    for (const std::string& name : names) {
        if (!isPluginFileName(name)) {
            continue;
        }
        // Loading a library runs its code in this process: only a directory and files
        // that nobody but root or this user can change are used.
        if (!directoryChecked) {
            directoryChecked = true;
            std::string reason = directoryKnown ? untrustedReason(directoryStatus)
                                                : std::string("its status cannot be read");
            if (!reason.empty()) {
                logLine(Level::ERROR, "Plugin directory " + directory + " not used: " + reason);
                return;
            }
        }
        std::string path = directory + "/" + name;
        logLine(Level::DEBUG, "Loading plugin: " + path);

        struct stat fileStatus {};
        if (lstat(path.c_str(), &fileStatus) != 0 || !S_ISREG(fileStatus.st_mode)) {
            logLine(Level::ERROR, "Plugin " + path + " not loaded: it is not a regular file");
            continue;
        }
        std::string reason = untrustedReason(fileStatus);
        if (!reason.empty()) {
            logLine(Level::ERROR, "Plugin " + path + " not loaded: " + reason);
            continue;
        }

        void* library = dlopen(path.c_str(), RTLD_NOW);
        if (library == nullptr) {
            const char* text = dlerror();
            logLine(Level::ERROR, "Failed to load: " + path + " : " + (text ? text : ""));
            continue;
        }
        using Factory = PluginInterface* (*)();
        dlerror();
        void* symbol = dlsym(library, "createPlugin");
        if (symbol == nullptr) {
            logLine(Level::ERROR, "No createPlugin() in " + name);
            dlclose(library);
            continue;
        }
        Factory factory = reinterpret_cast<Factory>(symbol);

        PluginInterface* created = nullptr;
        std::string pluginName;
        try {
            created = factory();
            if (created != nullptr) {
                logLine(Level::DEBUG, "Registered plugin: " + created->getName());
                pluginName = created->getName();
            }
        } catch (...) {
            // A plug-in's own failure is reported like a factory that gave nothing.
            delete created;
            created = nullptr;
        }
        if (created == nullptr) {
            logLine(Level::ERROR, "createPlugin() failed in " + name);
            dlclose(library);
            continue;
        }

        auto existing = plugins.find(pluginName);
        if (existing != plugins.end()) {
            // The earlier object would otherwise be lost: it is deleted (shut down first
            // only if it was initialised) and its library closed.
            logLine(Level::WARNING, "Plugin " + pluginName + " from " + path +
                                        " replaces an earlier plugin of the same name");
            deletePlugin(pluginName, existing->second);
            void* replacedLibrary = pluginLibraries[pluginName];
            auto kept = std::find(pluginHandles.begin(), pluginHandles.end(), replacedLibrary);
            if (kept != pluginHandles.end()) {
                pluginHandles.erase(kept);
                dlclose(replacedLibrary);
            }
            existing->second = created;
        } else {
            plugins.emplace(pluginName, created);
        }
        pluginLibraries[pluginName] = library;
        pluginHandles.push_back(library);
    }
}

void DeviceInterface::ioctlCall(unsigned int command, void* argument, unsigned long size) {
    const bool tracing = logger.getCurrentLogLevel() >= Level::DEBUG;
    if (tracing) {
        logLine(Level::DEBUG, "Calling IOCTL " + ioctlToString(command));
    }
    try {
        ioctl->call(command, argument, size);
    } catch (const IoctlException& failure) {
        const std::string summary = "Error happened with IOCTL " +
                                    ioctl->getStringFromCommand(command) + ". " + failure.what();
        logLine(Level::ERROR, summary + " error code value is " +
                                  std::to_string(failure.getCode()) +
                                  " Trying to recover driver error.");
        CorvaneException raised;
        raised.setErrorCode(failure.getCode());
        raised.setMessage(summary);

        // The driver's own account, read directly: neither traced nor retried.
        VelmorErrorType driverError{};
        try {
            ioctl->call(IoctlGetLastError, &driverError, sizeof driverError);
            const std::string account = formatError(driverError);
            logError(account);
            raised.setMessage(summary + account);
        } catch (const CorvaneException&) {
            logLine(Level::ERROR, "Can't get last error.");
            // The failed read published its own text; the last error must describe the
            // failure that is raised.
            raised.fillLastError();
        }
        throw raised;
    }
    if (tracing) {
        logLine(Level::DEBUG, "Successful IOCTL " + ioctlToString(command));
    }
}

std::string DeviceInterface::ioctlToString(unsigned int command) {
    auto found = ioctlMap.find(command);
    return found == ioctlMap.end() ? std::string("Unknown IOCTL") : found->second;
}

void DeviceInterface::initIoctlMap() {
    for (const auto& entry : ioctlCommandTable()) {
        ioctlMap[entry.first] = entry.second;
    }
    ioctl->setCommandCodeMap(ioctlMap);
}

void DeviceInterface::logError(const std::string& message) { logLine(Level::ERROR, message); }

void DeviceInterface::logLine(foundation::Logger::Level level, const std::string& message) noexcept {
    logger.tryLog(level, message);
}

}  // namespace corvane
}  // namespace velmor
