// Carries out control commands on the simulator of this process (through the control
// interface of corvane_sim.h): the server runs every command of its clients and of its
// script through one ControlExecutor.
#ifndef CORVANE_SIM_CONTROL_EXECUTOR_H
#define CORVANE_SIM_CONTROL_EXECUTOR_H

#include "ControlCommand.h"
#include "ControlReply.h"

namespace corvane_sim {

class ControlExecutor {
public:
    // Checks cmd against the boards present now (board names, channel, port and value
    // limits of that board). Changes nothing.
    bool validate(const ControlCommand& cmd, ParseError& error) const;
    // Validates cmd and, unless it is a check, carries it out. A failing command changes
    // nothing. trace is not carried out here (it streams; the server does it).
    ControlReply execute(const ControlCommand& cmd);
    // A stop command was carried out.
    bool stopRequested() const { return stop_; }

private:
    bool stop_ = false;
};

}  // namespace corvane_sim

#endif
