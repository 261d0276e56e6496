// "corvane-sim [--boards SPEC | --connect PATH] --script FILE -- PROGRAM ARGS...": runs
// PROGRAM against a simulator server while the script's steps are sent to that server
// at their times (time 0 is the moment PROGRAM starts).
//
// Without --connect the runner starts a private server for the program's lifetime: a
// socket in a new private directory (under $XDG_RUNTIME_DIR, else $TMPDIR or /tmp),
// the boards of --boards, stopped and removed when the program ends. With --connect the
// script drives that server. Either way the whole script is checked against the
// server's boards before the program starts; a malformed script starts nothing.
//
// The runner stays the program's parent: it passes SIGINT, SIGTERM and SIGHUP on to the
// program and exits with the program's status (128 + the signal when it was killed).
#ifndef CORVANE_SIM_SCRIPT_SUPERVISOR_H
#define CORVANE_SIM_SCRIPT_SUPERVISOR_H

#include <string>
#include <vector>

namespace corvane_sim {

struct SupervisorOptions {
    std::string boards;   // private server's boards
    std::string connect;  // an existing server's socket; empty: start a private one
    std::string scriptPath;
    std::vector<char*> program;  // PROGRAM ARGS..., null-terminated
};

int runWithScript(const SupervisorOptions& options);

}  // namespace corvane_sim

#endif
