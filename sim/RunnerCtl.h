// "corvane-sim ctl [--socket PATH] [--json] COMMAND...": one control command to a
// simulator server, its reply on standard output (errors on standard error).
// Exit status: 0 ok, 1 the server refused the command, 2 a malformed command or usage
// (checked before anything is sent), 3 the server cannot be reached.
#ifndef CORVANE_SIM_RUNNER_CTL_H
#define CORVANE_SIM_RUNNER_CTL_H

namespace corvane_sim {

int runCtl(int argc, char** argv);  // argv[0] is "ctl"

}  // namespace corvane_sim

#endif
