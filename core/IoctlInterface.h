// The abstract ioctl transport between a board object and its kernel driver.
#ifndef CORVANE_IOCTL_INTERFACE_H
#define CORVANE_IOCTL_INTERFACE_H

#include <map>
#include <string>

#include "CorvaneExport.h"

namespace velmor {
namespace corvane {

class CORVANE_EXPORT IoctlInterface {
public:
    // Performs one driver command on the bound descriptor; raises IoctlException on failure.
    virtual void call(unsigned int command, void* argument, unsigned long size) = 0;
    // Replaces the command-name map with a copy of the one given.
    virtual void setCommandCodeMap(const std::map<unsigned int, std::string>& map);
    // The command's name: its decimal number while the map is empty; raises
    // CorvaneException 0x80002911 "map::at" for a number missing from a filled map.
    virtual std::string getStringFromCommand(unsigned int command);
    // Binds the transport to an open descriptor; raises IoctlException when it is invalid.
    virtual bool setDeviceHandle(int handle) = 0;
    virtual ~IoctlInterface();

protected:
    std::map<unsigned int, std::string> commandCodeMap;
};

}  // namespace corvane
}  // namespace velmor

#endif
