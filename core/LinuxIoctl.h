// The Linux ioctl transport: one ioctl system call per driver command on the board's
// descriptor. It never closes the descriptor: a discoverer's descriptor is shared with the
// discoverer that opened it (and closes it), one opened by the caller is only borrowed.
#ifndef CORVANE_LINUX_IOCTL_H
#define CORVANE_LINUX_IOCTL_H

#include <memory>

#include "IoctlInterface.h"

namespace velmor {
namespace corvane {

class DeviceHandle;

class CORVANE_EXPORT LinuxIoctl : public IoctlInterface {
public:
    LinuxIoctl();
    ~LinuxIoctl() override;

    // A closed handle, or a descriptor that is not open, fails with "File Descriptor is
    // invalid" before anything is sent; the handle stays open until the call returns.
    void call(unsigned int command, void* argument, unsigned long size) override;
    // Binds to the handle that a discoverer opened on this number, or borrows the number.
    bool setDeviceHandle(int handle) override;
    // Binds to a handle shared with its board; raises like setDeviceHandle.
    bool bindDeviceHandle(std::shared_ptr<DeviceHandle> handle);

    // Invalid when the handle was closed, or when fcntl(F_GETFD) returns -1 with errno
    // EBADF.
    bool isFileDescriptorValid();
    // Nothing for 0; any other value, negative or positive, raises IoctlException 0x86000F08.
    void handleIOctlReturnValue(int returnValue, unsigned int command);

private:
    int fileDescriptor;
    std::shared_ptr<DeviceHandle> deviceHandle;
};

}  // namespace corvane
}  // namespace velmor

#endif
