// The simulator's board descriptions (the CORVANE_SIM_BOARDS syntax). The first byte
// sizes the message buffer of the check, the rest is the description. The check and the
// adding must agree on the count, and every board added gets a unique node name.
#include <set>
#include <string>

#include "FuzzInput.h"
#include "corvane_sim.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    char message[64];
    std::memset(message, '#', sizeof message);
    const size_t room = in.byte() % sizeof message;
    const std::string spec = in.rest();

    const int checked = corvane_sim_check_boards(spec.c_str(), message, room);
    if (room > 0) FUZZ_CHECK(std::memchr(message, '\0', room) != nullptr);
    for (size_t i = room; i < sizeof message; ++i) FUZZ_CHECK(message[i] == '#');

    corvane_sim_reset(0);
    const int added = corvane_sim_add_boards(spec.c_str());
    FUZZ_CHECK(added == checked);
    FUZZ_CHECK(corvane_sim_board_count() == (added < 0 ? 0 : added));
    // Adding the same description again continues the default numbering, or fails as a
    // whole (a node name given twice).
    const int again = corvane_sim_add_boards(spec.c_str());
    FUZZ_CHECK(again == added || again == -1);
    const int count = corvane_sim_board_count();
    FUZZ_CHECK(count == (added < 0 ? 0 : added) + (again < 0 ? 0 : again));

    std::set<std::string> nodes;
    for (int i = 0; i < count; ++i) {
        char node[64];
        FUZZ_CHECK(corvane_sim_board_node(i, node, sizeof node) == 0);
        corvane_sim_board_state state;
        FUZZ_CHECK(corvane_sim_get_state(node, &state) == 0);
        FUZZ_CHECK(std::memchr(state.node, '\0', sizeof state.node) != nullptr);
        FUZZ_CHECK(state.number_of_ports <= CORVANE_SIM_MAX_PORTS);
        FUZZ_CHECK(state.number_of_units <= CORVANE_SIM_MAX_UNITS);
        FUZZ_CHECK(nodes.insert(node).second);
    }
    corvane_sim_reset(0);
    return 0;
}
