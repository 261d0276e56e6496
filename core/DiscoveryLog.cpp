#include "DiscoveryLog.h"

namespace velmor {
namespace corvane {

DiscoveryLog::DiscoveryLog() noexcept {
    try {
        logger = std::make_unique<foundation::Logger>("corvane", "velmor.log", 5242880UL, 5);
    } catch (...) {
        logger.reset();
    }
}

DiscoveryLog::~DiscoveryLog() = default;

void DiscoveryLog::write(foundation::Logger::Level level, const std::string& message) noexcept {
    if (logger) {
        logger->tryLog(level, message);
    }
}

}  // namespace corvane
}  // namespace velmor
