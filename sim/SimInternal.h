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

// ---- Time ------------------------------------------------------------------------------

constexpr uint64_t kNever = UINT64_MAX;

// CLOCK_MONOTONIC in nanoseconds.
uint64_t monotonicNs();

// The simulator's clock (guarded by the one lock). Time is in nanoseconds since the
// simulator started; it never goes back.
struct Clock {
    int mode = CORVANE_SIM_CLOCK_REAL;
    uint64_t virtualNow = 0;    // the time under the virtual clock
    uint64_t realOffset = 0;    // the time when the real clock last (re)started ...
    uint64_t realBase = 0;      // ... and CLOCK_MONOTONIC at that moment
    bool threadStarted = false; // this process's real-time thread runs (or is starting)
    bool threadWanted = false;  // something was scheduled: the thread must run

    uint64_t now() const;
    // CLOCK_MONOTONIC at which the real clock reads t.
    uint64_t monotonicAt(uint64_t t) const;
};

// ---- Board models ----------------------------------------------------------------------

// The board families the simulator models, by node prefix.
enum class Family { Kelo6100, Kelo3100, Kelo5100, Kelo7100, Kelo42xx };

// Model of one timer/counter/watchdog unit beyond what corvane_sim_unit_state shows.
struct UnitModel {
    int role = CORVANE_SIM_UNIT_NONE;
    int id = 0;                  // timer, counter or watchdog id as the library numbers it
    bool valuePinned = false;    // value reads answer corvane_sim_unit_state::value
    bool statusPinned = false;   // status reads answer corvane_sim_unit_state::status
    uint32_t reload = 0;
    uint32_t options = 0;        // the options the unit honours
    uint64_t tickNum = 1;        // one tick lasts tickNum / tickDen nanoseconds
    uint64_t tickDen = 1;
    // Time-based units: ticks since the last reload point = phase + ticks since anchor
    // while counting.
    uint64_t anchor = 0;
    uint64_t phase = 0;
    uint64_t base = 0;           // expiries before the last reload point
    bool counting = false;       // running, not waiting for a trigger, gate open
    bool waiting = false;        // started with EXTERNAL_TRIGGER, no trigger yet
    bool finished = false;       // single cycle done, or watchdog expired
    uint32_t count = 0;          // counters: the current count
    uint64_t expiries = 0;       // counters: ends of count since the start
    uint64_t readExpiries = 0;   // expiries at the last status read
    uint64_t nextDue = kNever;   // time of the next expiry that needs an event
    int countInput = -1;         // wiring (input channels), -1 none
    int gateInput = -1;
    int triggerInput = -1;
};

// ---- Driver model of one board ---------------------------------------------------------

struct Board {
    explicit Board(const BoardConfig& config);

    BoardConfig cfg;
    Family family = Family::Kelo42xx;
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
    UnitModel unitModel[CORVANE_SIM_MAX_UNITS] = {};
    VelmorErrorType lastError{};
    uint64_t dropped = 0;  // interrupts raised by the board while the queue was full

    std::deque<InterruptData> queue;
    std::vector<int> fds;  // descriptors open on this node (each mirrors the queue)
    bool removed = false;  // dropped by a reset: commands fail with ENODEV

    uint32_t inputWord() const;
    uint32_t outputWord() const;

    // Queue operations keep every descriptor's event count equal to the queue length.
    bool pushInterrupt(const InterruptData& data);
    // An interrupt the board raises by itself: queued, or dropped and counted.
    void raise(const InterruptData& data);
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
// Needs the lock held: the board's time comes from the simulator's clock, which is
// brought up to date first.
CommandResult execute(Board& board, uint32_t command, void* arg);
// The same at a given time, without touching the clock.
CommandResult executeAt(Board& board, uint32_t command, void* arg, uint64_t now);
// Fails a command as the driver does: error record set, result -1.
CommandResult refuse(Board& board, const char* function, int error, const char* message);

// Timer, counter and watchdog units (SimUnits.cpp).
CommandResult unitInit(Board& b, const IoctlInitTimerCounterWatchdogStruct& r, const char* name);
CommandResult unitAction(Board& b, const IoctlStartStopTriggerTimerCounterWatchdogStruct& r,
                         const char* name, uint64_t now);
CommandResult unitRead(Board& b, IoctlReadTimerCounterWatchdogStruct& r, const char* name, uint64_t now);
// Runs the expiry of unit u due at time at, while the clock runs the events up to target.
void unitExpire(Board& b, unsigned u, uint64_t at, uint64_t target);
// Counts edges, opens and closes gates and fires triggers of the units wired to inputs
// that changed from before to after (bit n = input n).
void unitsSeeInputs(Board& b, uint32_t before, uint32_t after, uint64_t now);
// The value and status reads would return now (status without clearing).
void unitSnapshot(const Board& b, unsigned u, uint64_t now, corvane_sim_unit_state& out);
// The earliest due event of the board (kNever none); unit receives its index.
uint64_t boardNextDue(const Board& b, unsigned& unit);

// Input events (SimEvents.cpp).
CommandResult digitalConfigure(Board& b, const IoctlInitDigitalInputInterruptStruct& r, const char* name);
// Changes the inputs to the bytes given: units see the edges, then the configured input
// events are compared with the change.
void changeInputs(Board& b, const uint8_t (&inputs)[CORVANE_SIM_MAX_PORTS], uint64_t now);

// ---- Process-wide state -----------------------------------------------------------------

struct FailRule {
    std::string node;  // empty: every node
    uint32_t command = 0;
    int result = -1;
    int error = 5;
    int remaining = 1;  // CORVANE_SIM_ALWAYS: never runs out
    int skip = 0;       // matching calls still let through before the first failure
    bool hasRecord = false;
    VelmorErrorType record{};
};

// A record to hand back instead of the driver's own (corvane_sim_queue_answer).
struct QueuedAnswer {
    std::string node;
    uint32_t command = 0;
    std::vector<uint8_t> bytes;  // already the command's record size
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

constexpr size_t kTraceLimit = 65536;  // the trace limit at start and after a reset

struct Simulator {
    std::vector<std::shared_ptr<Board>> boards;
    std::map<int, std::shared_ptr<Board>> fds;
    std::vector<FailRule> rules;
    std::deque<QueuedAnswer> answers;
    std::deque<TraceEntry> trace;
    size_t traceLimit = kTraceLimit;  // entries the trace keeps (the latest ones); 0: none
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
    Clock clock;
    // Set when CORVANE_SIM_SERVER names a server: the nodes are the server's, none is
    // simulated here.
    std::unique_ptr<ServerClient> client;
};

// The one lock. Everything in Simulator is reached only through a held SimLock.
// Releasing it starts this process's real-time thread when something was scheduled
// (never with the lock held: creating a thread may wait for the loader's locks).
class SimLock {
public:
    SimLock();
    ~SimLock();
    SimLock(const SimLock&) = delete;
    SimLock& operator=(const SimLock&) = delete;
    // The state, created on first use (boards from CORVANE_SIM_BOARDS).
    Simulator& sim();
    // Waits on the clock's condition (the lock is released meanwhile) until signalled,
    // or until CLOCK_MONOTONIC reaches deadline (kNever: no deadline).
    void wait(uint64_t deadline);
    // Lets other threads take the lock for a moment.
    void yield();
};

// The state while the lock is held (created on first use).
Simulator& lockedSimulator();

// The clock (SimClock.cpp); all need the lock held.
void clockStart(Clock& c);
// Real clock: runs every event due up to now.
void clockSettle(Simulator& s);
// Runs every event due up to target in time order (ties: board order, then unit); with
// lock, lets other threads in now and then.
void clockRunDue(Simulator& s, uint64_t target, SimLock* lock);
// Something was (re)scheduled: wakes the real-time thread, or asks for it.
void clockScheduled(Simulator& s);
int clockSet(Simulator& s, int mode);
int clockAdvance(Simulator& s, uint64_t ns);
// Back to the real clock, the time going on (corvane_sim_reset).
void clockReset(Simulator& s);
// In a forked child: no thread runs here; one is asked for if something is scheduled.
void clockAfterFork(Simulator& s);
// Wakes the real-time thread (signals the clock's condition).
void clockWake();
// Called by ~SimLock with the lock held: true when the thread must be started now.
bool clockTakeThreadStart(Simulator& s);
// Starts the real-time thread (without the lock).
void clockStartThread();

// Helpers that need the lock held.
// Replaces the record of a call the driver handled by the first answer queued for the
// node and command; true when there was one.
bool takeAnswer(Simulator& s, const std::string& node, uint32_t command, void* arg);
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
