// Timing of script steps.
#include "ScriptSchedule.h"

namespace corvane_sim {

ScriptSchedule::ScriptSchedule(std::vector<ScriptStep> steps) {
    for (auto& s : steps) {
        const uint64_t first = s.atNs;
        steps_.push_back({std::move(s), first, false});
    }
}

void ScriptSchedule::start(uint64_t nowNs) {
    startNs_ = nowNs;
    started_ = true;
}

bool ScriptSchedule::next(uint64_t& whenNs) const {
    if (!started_) return false;
    bool found = false;
    for (const auto& p : steps_) {
        if (p.done) continue;
        if (!found || p.nextNs < whenNs - startNs_) {
            whenNs = startNs_ + p.nextNs;
            found = true;
        }
    }
    return found;
}

std::vector<const ScriptStep*> ScriptSchedule::takeDue(uint64_t nowNs, size_t limit) {
    std::vector<const ScriptStep*> due;
    if (!started_ || nowNs < startNs_) return due;
    const uint64_t elapsed = nowNs - startNs_;
    while (due.size() < limit) {
        Pending* first = nullptr;
        for (auto& p : steps_) {
            if (p.done || p.nextNs > elapsed) continue;
            if (first == nullptr || p.nextNs < first->nextNs) first = &p;  // ties: file order
        }
        if (first == nullptr) break;
        due.push_back(&first->step);
        if (first->step.periodNs == 0) {
            first->done = true;
        } else if (first->step.untilNs < first->step.periodNs ||
                   first->nextNs > first->step.untilNs - first->step.periodNs) {
            first->done = true;  // the next run would pass until (or overflow)
        } else {
            first->nextNs += first->step.periodNs;
        }
    }
    return due;
}

}  // namespace corvane_sim
