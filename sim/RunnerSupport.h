// Pieces the corvane-sim runner's modes share.
#ifndef CORVANE_SIM_RUNNER_SUPPORT_H
#define CORVANE_SIM_RUNNER_SUPPORT_H

#include <string>

namespace corvane_sim {

constexpr const char* kDefaultBoards = "keloe6100,kelo3100,keloe5100,keloe7100,kelo4210";

// Directory of the running executable.
std::string selfDirectory();
// A file of the simulator (libcorvane_sim.so, corvane-sim-server): beside the runner (a
// build tree), else in the simulator's folder of the install the runner belongs to
// (CORVANE_SIM_LIBRARY_DIR, relative to the runner's directory). Empty when neither
// holds it; tried lists the places looked at.
std::string simulatorFile(const std::string& name, std::string& tried);
// Puts the simulator library first in LD_PRELOAD, keeping what was there after it.
// False with a message when the library is missing.
bool preloadSimulator(std::string& error);
// Reads a whole file of at most limit bytes (more is read as limit + 1 bytes, so that
// the caller can refuse it). False with a message.
bool readTextFile(const std::string& path, size_t limit, std::string& text, std::string& error);

}  // namespace corvane_sim

#endif
