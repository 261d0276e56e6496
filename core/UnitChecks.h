#ifndef CORVANE_UNIT_CHECKS_H
#define CORVANE_UNIT_CHECKS_H

// Checks shared by the timer, watchdog and counter parameter checks. Internal to the
// library: the unit classes differ only in the limits they pass, the error domain and the
// text of the id message.

#include <cstdint>
#include <map>

#include "CorvaneErrors.h"
#include "VelmorTypes.h"

namespace velmor {
namespace corvane {
namespace unitchecks {

// The error code of a failed check: API source, the unit's domain, the caller's function.
uint32_t unitErrorCode(VelmorDomain domain, VelmorFunction function, uint32_t reason);

// Throws CorvaneException(idMessage) with reason VELMOR_REASON_INVALID_ID when id is not
// below count.
void checkUnitId(uint8_t id, uint8_t count, const char* idMessage, VelmorDomain domain,
                 VelmorFunction function);

// Throws when timebase is no TIMEBASE_UNITS value, then when reload lies outside
// [minimum[timebase]; maximum[timebase]].
void checkTimebaseAndReload(const uint16_t (&minimum)[4], const uint16_t (&maximum)[4],
                            TIMEBASE_UNITS timebase, uint16_t reload, VelmorDomain domain,
                            VelmorFunction function);

// Whether any unit has its interrupt enabled.
bool anyInterruptEventSet(const std::map<char, bool>& events);

}  // namespace unitchecks
}  // namespace corvane
}  // namespace velmor

#endif
