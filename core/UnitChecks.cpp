#include "UnitChecks.h"

#include <cstring>
#include <string>

#include "CorvaneException.h"

namespace velmor {
namespace corvane {
namespace unitchecks {

namespace {

// A time base that no timer or watchdog knows; this reason has no name of its own.
constexpr uint32_t invalidTimebaseReason = 18;

}  // namespace

uint32_t unitErrorCode(VelmorDomain domain, VelmorFunction function, uint32_t reason) {
    return VELMOR_ERROR_CODE(VELMOR_API, domain, static_cast<uint32_t>(function) & 0xFFu, reason);
}

void checkUnitId(uint8_t id, uint8_t count, const char* idMessage, VelmorDomain domain,
                 VelmorFunction function) {
    if (id >= count) {
        throw CorvaneException(idMessage, unitErrorCode(domain, function, VELMOR_REASON_INVALID_ID));
    }
}

void checkTimebaseAndReload(const uint16_t (&minimum)[4], const uint16_t (&maximum)[4],
                            TIMEBASE_UNITS timebase, uint16_t reload, VelmorDomain domain,
                            VelmorFunction function) {
    // Callers of the C interface can pass any number here, so the value is read as raw
    // bits rather than as the enumeration; compared as unsigned so that negative values
    // fail too, printed signed.
    unsigned int unit = 0;
    static_assert(sizeof unit == sizeof timebase, "TIMEBASE_UNITS is 32 bits wide");
    std::memcpy(&unit, &timebase, sizeof unit);
    if (unit > static_cast<unsigned int>(CUSTOM)) {
        throw CorvaneException(std::to_string(static_cast<int>(unit)) + " is not a valid timebase.",
                               unitErrorCode(domain, function, invalidTimebaseReason));
    }
    const uint16_t low = minimum[unit];
    const uint16_t high = maximum[unit];
    if (reload < low || reload > high) {
        throw CorvaneException("Invalid reload value. Value should be between [" + std::to_string(low) +
                                   "; " + std::to_string(high) + "] for this timebase.",
                               unitErrorCode(domain, function, VELMOR_REASON_INVALID_PARAMETER));
    }
}

bool anyInterruptEventSet(const std::map<char, bool>& events) {
    for (const auto& entry : events) {
        if (entry.second) {
            return true;
        }
    }
    return false;
}

}  // namespace unitchecks
}  // namespace corvane
}  // namespace velmor
