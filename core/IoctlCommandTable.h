// The fixed (command number, name) table of the driver command set.
#ifndef CORVANE_IOCTL_COMMAND_TABLE_H
#define CORVANE_IOCTL_COMMAND_TABLE_H

#include <string>
#include <utility>
#include <vector>

#include "CorvaneExport.h"

namespace velmor {
namespace corvane {

CORVANE_EXPORT const std::vector<std::pair<unsigned int, std::string>>& ioctlCommandTable();

}  // namespace corvane
}  // namespace velmor

#endif
