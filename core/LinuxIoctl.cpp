#include "LinuxIoctl.h"

#include <cerrno>
#include <cstring>
#include <utility>
#include <fcntl.h>
#include <sys/ioctl.h>

#include "CorvaneErrors.h"
#include "CorvaneException.h"
#include "DeviceHandle.h"

namespace velmor {
namespace corvane {

namespace {

// strerror_r comes in two flavours; both give the same text as strerror, without
// strerror's shared buffer (the interrupt thread and the caller's thread may fail at once).
[[maybe_unused]] inline const char* describe(char* result, const char*) { return result; }
[[maybe_unused]] inline const char* describe(int result, const char* buffer) {
    return result == 0 ? buffer : "Unknown error";
}

std::string errorDescription(int value) {
    char buffer[256] = {0};
    return describe(strerror_r(value, buffer, sizeof buffer), buffer);
}

}  // namespace

LinuxIoctl::LinuxIoctl() : fileDescriptor(-1) {}

LinuxIoctl::~LinuxIoctl() = default;

bool LinuxIoctl::isFileDescriptorValid() {
    if (deviceHandle && deviceHandle->isClosed()) {
        return false;
    }
    return !(fcntl(fileDescriptor, F_GETFD) == -1 && errno == EBADF);
}

bool LinuxIoctl::setDeviceHandle(int handle) {
    return bindDeviceHandle(DeviceHandle::forDescriptor(handle));
}

bool LinuxIoctl::bindDeviceHandle(std::shared_ptr<DeviceHandle> handle) {
    fileDescriptor = handle ? handle->descriptor() : -1;
    deviceHandle = std::move(handle);
    if (!isFileDescriptorValid()) {
        throw IoctlException("File Descriptor is invalid",
                             VELMOR_ERROR_CODE(VELMOR_API, VELMOR_DOMAIN_LINUX_IOCTL,
                                               VELMOR_FUNCTION_SET_DEVICE_HANDLE,
                                               VELMOR_REASON_INVALID_PARAMETER));
    }
    return true;
}

void LinuxIoctl::call(unsigned int command, void* argument, unsigned long size) {
    (void)size;  // the driver learns the record's size from the command itself
    // The use keeps the descriptor from being closed (and its number from being reused)
    // until the system call has returned.
    const DeviceHandle::Use use(deviceHandle.get());
    if (!use || !isFileDescriptorValid()) {
        throw IoctlException("File Descriptor is invalid",
                             VELMOR_ERROR_CODE(VELMOR_API, VELMOR_DOMAIN_LINUX_IOCTL,
                                               VELMOR_FUNCTION_CALL,
                                               VELMOR_REASON_INVALID_PARAMETER));
    }
    int result = ::ioctl(fileDescriptor, static_cast<unsigned long>(command), argument);
    handleIOctlReturnValue(result, command);
}

void LinuxIoctl::handleIOctlReturnValue(int returnValue, unsigned int command) {
    if (returnValue == 0) {
        return;
    }
    // The driver's return value itself is described, not errno.
    throw IoctlException("Ioctl Command " + getStringFromCommand(command) +
                             " failed with errno message: " + errorDescription(returnValue),
                         VELMOR_ERROR_CODE(VELMOR_API, VELMOR_DOMAIN_LINUX_IOCTL,
                                           VELMOR_FUNCTION_HANDLE_RETURN,
                                           VELMOR_REASON_HARDWARE_FAILURE));
}

}  // namespace corvane
}  // namespace velmor
