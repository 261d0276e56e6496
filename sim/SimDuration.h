// Durations of the control protocol and of scripts: a whole or decimal number followed
// by a unit, "250ms", "1s", "1.5s", "10us", "5ns".
#ifndef CORVANE_SIM_DURATION_H
#define CORVANE_SIM_DURATION_H

#include <cstdint>
#include <string>

namespace corvane_sim {

// Longest duration accepted: about 292 years, the largest signed 64-bit nanosecond count.
constexpr uint64_t kMaxDurationNs = 0x7FFFFFFFFFFFFFFFull;

// Parses text into nanoseconds. Units: ns, us, ms, s. A fraction must come out as a
// whole number of nanoseconds. On failure returns false with the reason.
bool parseDuration(const std::string& text, uint64_t& ns, std::string& reason);

// The shortest exact spelling in the largest unit that divides ns ("1500ms", "2s", "0s").
std::string formatDuration(uint64_t ns);

}  // namespace corvane_sim

#endif
