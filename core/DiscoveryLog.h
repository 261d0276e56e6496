// The discovery log: the "corvane" logger (file velmor.log, 5,242,880 bytes, 5 backups)
// that discovery scans and the registry write to.
#ifndef CORVANE_DISCOVERY_LOG_H
#define CORVANE_DISCOVERY_LOG_H

#include <memory>
#include <string>

#include "Logger.h"

namespace velmor {
namespace corvane {

// Never raises: a logger that cannot be built (no HOME) or a line that cannot be written
// is simply dropped, so logging never changes the outcome of discovery.
class DiscoveryLog {
public:
    DiscoveryLog() noexcept;
    ~DiscoveryLog();
    DiscoveryLog(const DiscoveryLog&) = delete;
    DiscoveryLog& operator=(const DiscoveryLog&) = delete;

    void write(foundation::Logger::Level level, const std::string& message) noexcept;

private:
    std::unique_ptr<foundation::Logger> logger;
};

}  // namespace corvane
}  // namespace velmor

#endif
