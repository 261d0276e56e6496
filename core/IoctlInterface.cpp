#include "IoctlInterface.h"

#include "CorvaneErrors.h"
#include "CorvaneException.h"

namespace velmor {
namespace corvane {

IoctlInterface::~IoctlInterface() = default;

void IoctlInterface::setCommandCodeMap(const std::map<unsigned int, std::string>& map) {
    commandCodeMap = map;
}

std::string IoctlInterface::getStringFromCommand(unsigned int command) {
    if (commandCodeMap.empty()) {
        return std::to_string(command);
    }
    auto found = commandCodeMap.find(command);
    if (found == commandCodeMap.end()) {
        throw CorvaneException("map::at",
                               VELMOR_ERROR_CODE(VELMOR_API, VELMOR_DOMAIN_GENERIC,
                                                 VELMOR_FUNCTION_GET_STRING,
                                                 VELMOR_REASON_INVALID_OPTION));
    }
    return found->second;
}

}  // namespace corvane
}  // namespace velmor
