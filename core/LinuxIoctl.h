// The Linux ioctl transport: one ioctl system call per driver command on a borrowed
// descriptor (the discoverer that opened it closes it).
#ifndef CORVANE_LINUX_IOCTL_H
#define CORVANE_LINUX_IOCTL_H

#include "IoctlInterface.h"

namespace velmor {
namespace corvane {

class CORVANE_EXPORT LinuxIoctl : public IoctlInterface {
public:
    LinuxIoctl();
    ~LinuxIoctl() override;

    void call(unsigned int command, void* argument, unsigned long size) override;
    bool setDeviceHandle(int handle) override;

    // Invalid only when fcntl(F_GETFD) returns -1 with errno EBADF.
    bool isFileDescriptorValid();
    // Nothing for 0; any other value, negative or positive, raises IoctlException 0x86000F08.
    void handleIOctlReturnValue(int returnValue, unsigned int command);

private:
    int fileDescriptor;
};

}  // namespace corvane
}  // namespace velmor

#endif
