// When the steps of a script are due: time 0 is the moment start() is called; steps due
// at the same time run in file order; a periodic step that fell behind runs once for
// every period it missed, in order.
#ifndef CORVANE_SIM_SCRIPT_SCHEDULE_H
#define CORVANE_SIM_SCRIPT_SCHEDULE_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ScriptParser.h"

namespace corvane_sim {

class ScriptSchedule {
public:
    explicit ScriptSchedule(std::vector<ScriptStep> steps);

    // Starts the script at monotonic time nowNs.
    void start(uint64_t nowNs);
    bool started() const { return started_; }
    // Monotonic time of the next run; false when no run is left (or not started).
    bool next(uint64_t& whenNs) const;
    // The runs due at nowNs, oldest first (at most limit of them), taken off the schedule.
    std::vector<const ScriptStep*> takeDue(uint64_t nowNs, size_t limit = 1000);

private:
    struct Pending {
        ScriptStep step;
        uint64_t nextNs;  // relative to the start
        bool done;
    };
    std::vector<Pending> steps_;
    uint64_t startNs_ = 0;
    bool started_ = false;
};

}  // namespace corvane_sim

#endif
