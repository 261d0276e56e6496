// Helpers for tests that run over the board simulator (sim/corvane_sim.h).
//
//   SimBoards boards("keloe6100,kelo4210");        // exactly these boards, clean trace
//   SimNode node("keloe6100_0");                   // open("/dev/keloe6100_0", O_RDWR)
//   KELOE6100 board(node.fd());                    // ... drive the board ...
//   auto calls = simTrace("keloe6100_0");          // what the driver received
//   EXPECT_EQ(calls.back().command, velmor::corvane::IoctlGetDigitalInputs);
//   auto state = simState("keloe6100_0");          // driver-side state
//
// SimBoards resets the simulator (no boards, no trace, no failure rules) when it is
// constructed and again when it is destroyed, so tests never see each other's boards.
#ifndef CORVANE_SIM_TEST_SUPPORT_H
#define CORVANE_SIM_TEST_SUPPORT_H

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "corvane_sim.h"

namespace corvane_sim_test {

// One command as the simulated driver received it.
struct SimCall {
    std::string node;
    uint32_t command = 0;
    std::vector<uint8_t> sent;      // argument bytes as passed (empty for null arguments)
    std::vector<uint8_t> returned;  // argument bytes when the call returned
    int result = 0;                 // ioctl's return value
    int error = 0;                  // errno on failure

    // The returned bytes viewed as a record (T must match the command's record size).
    template <typename T>
    T returnedAs() const {
        T value{};
        if (returned.size() != sizeof(T)) throw std::logic_error("record size mismatch");
        std::memcpy(&value, returned.data(), sizeof(T));
        return value;
    }
    template <typename T>
    T sentAs() const {
        T value{};
        if (sent.size() != sizeof(T)) throw std::logic_error("record size mismatch");
        std::memcpy(&value, sent.data(), sizeof(T));
        return value;
    }
};

// RAII configuration: resets the simulator and adds the boards of spec (same syntax as
// CORVANE_SIM_BOARDS). Throws std::invalid_argument when spec is malformed.
class SimBoards {
public:
    explicit SimBoards(const std::string& spec = std::string()) {
        corvane_sim_reset(0);
        if (!spec.empty() && corvane_sim_add_boards(spec.c_str()) < 0) {
            throw std::invalid_argument("bad simulator boards: " + spec);
        }
    }
    ~SimBoards() { corvane_sim_reset(0); }
    SimBoards(const SimBoards&) = delete;
    SimBoards& operator=(const SimBoards&) = delete;
};

// Opens "/dev/<node>" the way discovery does (O_RDWR) and closes it on destruction.
class SimNode {
public:
    explicit SimNode(const std::string& node) : fd_(::open(("/dev/" + node).c_str(), O_RDWR)), error_(errno) {}
    ~SimNode() { reset(); }
    SimNode(const SimNode&) = delete;
    SimNode& operator=(const SimNode&) = delete;
    int fd() const { return fd_; }
    int openError() const { return error_; }  // errno of the open when fd() is -1
    bool isOpen() const { return fd_ >= 0; }
    void reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
    int error_;
};

// The trace, oldest first; with a node name only that node's commands.
inline std::vector<SimCall> simTrace(const std::string& node = std::string()) {
    std::vector<SimCall> calls;
    auto entry = std::make_unique<corvane_sim_trace_entry>();
    const size_t count = corvane_sim_trace_count();
    for (size_t i = 0; i < count; ++i) {
        if (corvane_sim_trace_get(i, entry.get()) != 0) break;
        if (!node.empty() && node != entry->node) continue;
        SimCall c;
        c.node = entry->node;
        c.command = entry->command;
        c.sent.assign(entry->sent, entry->sent + entry->size);
        c.returned.assign(entry->returned, entry->returned + entry->size);
        c.result = entry->result;
        c.error = entry->error_number;
        calls.push_back(std::move(c));
    }
    return calls;
}

inline void simClearTrace() { corvane_sim_trace_clear(); }

// RAII: the virtual clock for the scope (the real clock again afterwards).
class VirtualClock {
public:
    VirtualClock() { corvane_sim_set_clock(CORVANE_SIM_CLOCK_VIRTUAL); }
    ~VirtualClock() { corvane_sim_set_clock(CORVANE_SIM_CLOCK_REAL); }
    VirtualClock(const VirtualClock&) = delete;
    VirtualClock& operator=(const VirtualClock&) = delete;
    static void advanceMs(uint64_t ms) { corvane_sim_advance_ns(ms * 1000000u); }
    static void advanceUs(uint64_t us) { corvane_sim_advance_ns(us * 1000u); }
};

// The interrupts queued on a node, taken from the queue (oldest first).
inline std::vector<InterruptData> simTakeInterrupts(int fd) {
    std::vector<InterruptData> taken;
    InterruptData d{};
    while (::ioctl(fd, 0xC0084108u, &d) == 0) taken.push_back(d);  // IoctlGetInterruptInformations
    return taken;
}

// Driver-side state of a node; throws std::invalid_argument for an unknown node.
inline corvane_sim_board_state simState(const std::string& node) {
    corvane_sim_board_state state{};
    if (corvane_sim_get_state(node.c_str(), &state) != 0) throw std::invalid_argument("no simulated node " + node);
    return state;
}

// Record bytes of a value, for comparing with SimCall::sent / returned.
template <typename T>
std::vector<uint8_t> bytesOf(const T& value) {
    std::vector<uint8_t> bytes(sizeof(T));
    std::memcpy(bytes.data(), &value, sizeof(T));
    return bytes;
}

}  // namespace corvane_sim_test

#endif
