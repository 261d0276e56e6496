// Helpers shared by the registry tests. Each registry test runs in its own process with
// its own CORVANE_SIM_BOARDS, because the registry is built once per process.
#ifndef CORVANE_TEST_REGISTRY_SUPPORT_H
#define CORVANE_TEST_REGISTRY_SUPPORT_H

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CorvaneException.h"
#include "corvane_sim.h"

namespace registry_test {

inline unsigned openDescriptors(const std::string& node) {
    corvane_sim_board_state state;
    std::memset(&state, 0, sizeof state);
    EXPECT_EQ(corvane_sim_get_state(node.c_str(), &state), 0) << node;
    return state.open_descriptors;
}

inline std::string nodeOf(int fd) {
    char node[64] = {0};
    if (corvane_sim_is_simulated(fd, node, sizeof node) != 1) {
        return "";
    }
    return node;
}

inline std::vector<std::string> allNodes() {
    std::vector<std::string> nodes;
    for (int i = 0; i < corvane_sim_board_count(); ++i) {
        char node[64] = {0};
        corvane_sim_board_node(i, node, sizeof node);
        nodes.push_back(node);
    }
    return nodes;
}

// The log file of one application name: "corvane" for discovery, "velmor" for boards.
inline std::string logPath(const std::string& app) {
    return std::string(std::getenv("HOME")) + "/.velmor/" + app + "/velmor.log";
}

// Messages of one level in one application's log, without date, time and level.
inline std::vector<std::string> logMessages(const std::string& app, const std::string& level) {
    std::vector<std::string> selected;
    std::ifstream in(logPath(app));
    const std::string marker = " - " + level + " - ";
    for (std::string line; std::getline(in, line);) {
        const size_t at = line.find(marker);
        if (at != std::string::npos) {
            selected.push_back(line.substr(at + marker.size()));
        }
    }
    return selected;
}

// Messages of one level in the discovery log.
inline std::vector<std::string> discoveryLog(const std::string& level) {
    return logMessages("corvane", level);
}

inline void removeDiscoveryLog() { std::remove(logPath("corvane").c_str()); }

template <typename Call>
CorvaneException raised(Call call) {
    try {
        call();
    } catch (const CorvaneException& e) {
        return e;
    }
    ADD_FAILURE() << "no CorvaneException raised";
    return CorvaneException();
}

}  // namespace registry_test

#endif
