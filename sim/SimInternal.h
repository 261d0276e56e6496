// Internal structures of the board simulator: board descriptions, the driver model of
// one board, and the process-wide simulator state that the one lock guards.
#ifndef CORVANE_SIM_INTERNAL_H
#define CORVANE_SIM_INTERNAL_H

#include <sys/types.h>

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "SimClient.h"
#include "SimCommandTable.h"
#include "VelmorTypes.h"
#include "corvane_sim.h"

namespace corvane_sim {

// ---- Board descriptions (CORVANE_SIM_BOARDS) ---------------------------------------

struct BoardConfig {
    std::string prefix;    // discovery prefix, e.g. "keloe6100"
    std::string node;      // node name under /dev/
    std::string product;   // product name the driver reports
    std::string firmware;  // firmware text the driver reports
    std::string driver;    // driver name of the error record
    std::wstring custom;   // custom id (at most 50 wide characters)
    uint32_t number = 0;
    bool pcie = false;
    uint16_t vendor = 0;
    uint16_t device = 0;
    uint32_t bus = 0;
    uint32_t slot = 0;
    uint64_t bar[6] = {0, 0, 0, 0, 0, 0};
    uint8_t irq = 0;
    uint32_t inputs = 0;
    uint32_t outputs = 0;
    bool openFails = false;
    bool isDir = false;
};

// Parses a board list. existing holds the boards already present (default numbering
// and node names continue after them; node names must stay unique). All or nothing:
// on failure out is untouched and error names the bad item.
bool parseBoards(const std::string& spec, const std::vector<BoardConfig>& existing,
                 std::vector<BoardConfig>& out, std::string& error);

// ---- Driver model of one board ---------------------------------------------------------

struct Board {
    explicit Board(const BoardConfig& config);

    BoardConfig cfg;
    unsigned ports = 0;     // ports the driver answers for
    unsigned units = 0;     // timer/counter/watchdog units
    unsigned inputCount = 0;
    unsigned outputCount = 0;

    uint8_t inputs[CORVANE_SIM_MAX_PORTS] = {};
    uint8_t outputs[CORVANE_SIM_MAX_PORTS] = {};
    int outputMemory = -1;
    uint32_t directions = 0;
    int interruptsEnabled = 0;
    int digitalInterruptConfigured = 0;
    IoctlInitDigitalInputInterruptStruct digitalInterrupt{};
    int digitalInterruptStarted = -1;
    int outputInterruptSet = 0;
    uint8_t outputInterrupt[2] = {0, 0};
    int customFrequencySet = 0;
    uint32_t customFrequency = 0;
    int lastUnit = -1;
    corvane_sim_unit_state unitState[CORVANE_SIM_MAX_UNITS] = {};
    VelmorErrorType lastError{};

    std::deque<InterruptData> queue;
    std::vector<int> fds;  // descriptors open on this node (each mirrors the queue)
    bool removed = false;  // dropped by a reset: commands fail with ENODEV

    uint32_t inputWord() const;
    uint32_t outputWord() const;

    // Queue operations keep every descriptor's event count equal to the queue length.
    bool pushInterrupt(const InterruptData& data);
    bool popInterrupt(InterruptData& data);
    void clearInterrupts();

    // Sets the error record as the driver does on a failure.
    void setError(const char* function, uint32_t code, const char* message);
};

struct CommandResult {
    int result;  // ioctl's return value
    int error;   // errno when result is nonzero
};

// Answers one command like the driver. arg is the caller's record (may be null).
CommandResult execute(Board& board, uint32_t command, void* arg);

// ---- Process-wide state -----------------------------------------------------------------

struct FailRule {
    std::string node;  // empty: every node
    uint32_t command = 0;
    int result = -1;
    int error = 5;
    int remaining = 1;  // CORVANE_SIM_ALWAYS: never runs out
    bool hasRecord = false;
    VelmorErrorType record{};
};

struct TraceEntry {
    std::string node;
    uint32_t command = 0;
    uint32_t size = 0;
    std::vector<uint8_t> sent;
    std::vector<uint8_t> returned;
    int result = 0;
    int error = 0;
};

struct Simulator {
    std::vector<std::shared_ptr<Board>> boards;
    std::map<int, std::shared_ptr<Board>> fds;
    std::vector<FailRule> rules;
    std::deque<TraceEntry> trace;
    bool highFds = false;
    std::string dir;        // directory standing for /dev/
    pid_t dirOwner = 0;     // process that created dir (a forked child makes its own)
    // Process whose memory this state is. A child that shares its parent's memory
    // (vfork, posix_spawn) runs without fork handlers, so it sees another pid here and
    // must leave the parent's state alone.
    pid_t owner = 0;
    uint64_t generation = 1;
    uint64_t dirGeneration = 0;
    bool exiting = false;
    // Set when CORVANE_SIM_SERVER names a server: the nodes are the server's, none is
    // simulated here.
    std::unique_ptr<ServerClient> client;
};

constexpr size_t kTraceLimit = 65536;

// The one lock. Everything in Simulator is reached only through a held SimLock.
class SimLock {
public:
    SimLock();
    ~SimLock();
    SimLock(const SimLock&) = delete;
    SimLock& operator=(const SimLock&) = delete;
    // The state, created on first use (boards from CORVANE_SIM_BOARDS).
    Simulator& sim();
};

// Helpers that need the lock held.
std::shared_ptr<Board> findBoard(Simulator& s, const std::string& node);
void dropBoards(Simulator& s);
// Loads CORVANE_SIM_BOARDS; on a malformed value prints the message and loads nothing.
int loadEnvironment(Simulator& s);
// Makes the /dev/ stand-in directory match the boards. Returns false with errno set.
bool syncDirectory(Simulator& s);

// Real C library functions (resolved with dlsym(RTLD_NEXT)); never our own.
int realOpen(const char* path, int flags, mode_t mode);
int realClose(int fd);

}  // namespace corvane_sim

#endif
