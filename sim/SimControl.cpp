// The control interface of corvane_sim.h: every function takes the simulator's lock.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "SimInternal.h"

using namespace corvane_sim;

namespace {

void copyOut(const std::string& text, char* buffer, size_t size) {
    if (buffer == nullptr || size == 0) return;
    size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

int fail(int error) {
    errno = error;
    return -1;
}

// Changes the inputs of a board as they would change on its connector: the clock is
// brought up to date first, and what the change schedules reaches the clock.
int changeBoardInputs(const char* node, unsigned port, uint8_t mask, uint8_t value, bool wholeWord,
                      uint32_t word) {
    SimLock lock;
    Simulator& s = lock.sim();
    auto b = findBoard(s, node);
    if (!b) return fail(ENOENT);
    clockSettle(s);
    uint8_t next[CORVANE_SIM_MAX_PORTS];
    std::memcpy(next, b->inputs, sizeof next);
    if (wholeWord) {
        for (unsigned i = 0; i < 4; ++i) next[i] = static_cast<uint8_t>(word >> (8 * i));
    } else {
        next[port] = static_cast<uint8_t>((next[port] & ~mask) | (value & mask));
    }
    changeInputs(*b, next, s.clock.now());
    unsigned unit = 0;
    if (boardNextDue(*b, unit) != kNever) clockScheduled(s);
    return 0;
}

std::vector<BoardConfig> configsOf(const Simulator& s) {
    std::vector<BoardConfig> v;
    for (const auto& b : s.boards) v.push_back(b->cfg);
    return v;
}

}  // namespace

extern "C" {

int corvane_sim_add_boards(const char* spec) {
    if (spec == nullptr) return fail(EINVAL);
    SimLock lock;
    Simulator& s = lock.sim();
    std::vector<BoardConfig> configs;
    std::string error;
    if (!parseBoards(spec, configsOf(s), configs, error)) {
        std::fprintf(stderr, "corvane-sim: %s; no boards added\n", error.c_str());
        return fail(EINVAL);
    }
    for (const auto& c : configs) s.boards.push_back(std::make_shared<Board>(c));
    ++s.generation;
    return static_cast<int>(configs.size());
}

int corvane_sim_check_boards(const char* spec, char* message, size_t size) {
    if (spec == nullptr) {
        copyOut("no description", message, size);
        return fail(EINVAL);
    }
    std::vector<BoardConfig> configs;
    std::string error;
    if (!parseBoards(spec, {}, configs, error)) {
        copyOut(error, message, size);
        return fail(EINVAL);
    }
    copyOut("", message, size);
    return static_cast<int>(configs.size());
}

int corvane_sim_reset(int from_environment) {
    SimLock lock;
    Simulator& s = lock.sim();
    dropBoards(s);
    s.rules.clear();
    s.answers.clear();
    s.trace.clear();
    s.traceLimit = kTraceLimit;
    s.highFds = false;
    clockReset(s);
    if (!from_environment) return 0;
    int n = loadEnvironment(s);
    if (n < 0) return fail(EINVAL);
    return n;
}

int corvane_sim_board_count(void) {
    SimLock lock;
    return static_cast<int>(lock.sim().boards.size());
}

int corvane_sim_board_node(int index, char* buffer, size_t size) {
    SimLock lock;
    Simulator& s = lock.sim();
    if (index < 0 || static_cast<size_t>(index) >= s.boards.size()) return fail(ERANGE);
    copyOut(s.boards[static_cast<size_t>(index)]->cfg.node, buffer, size);
    return 0;
}

int corvane_sim_directory(char* buffer, size_t size) {
    SimLock lock;
    Simulator& s = lock.sim();
    if (!syncDirectory(s)) return -1;
    copyOut(s.dir, buffer, size);
    return 0;
}

int corvane_sim_get_state(const char* node, corvane_sim_board_state* state) {
    if (node == nullptr || state == nullptr) return fail(EINVAL);
    SimLock lock;
    Simulator& s = lock.sim();
    auto b = findBoard(s, node);
    if (!b) return fail(ENOENT);
    clockSettle(s);
    const uint64_t now = s.clock.now();
    std::memset(state, 0, sizeof *state);
    copyOut(b->cfg.node, state->node, sizeof state->node);
    copyOut(b->cfg.prefix, state->prefix, sizeof state->prefix);
    state->number_of_ports = b->ports;
    state->number_of_units = b->units;
    std::memcpy(state->inputs, b->inputs, sizeof state->inputs);
    std::memcpy(state->outputs, b->outputs, sizeof state->outputs);
    state->input_word = b->inputWord();
    state->output_word = b->outputWord();
    state->output_memory = b->outputMemory;
    state->port_directions = b->directions;
    state->interrupts_enabled = b->interruptsEnabled;
    state->digital_interrupt_configured = b->digitalInterruptConfigured;
    state->digital_interrupt = b->digitalInterrupt;
    state->digital_interrupt_started = b->digitalInterruptStarted;
    state->output_interrupt_set = b->outputInterruptSet;
    state->output_interrupt[0] = b->outputInterrupt[0];
    state->output_interrupt[1] = b->outputInterrupt[1];
    state->custom_frequency_set = b->customFrequencySet;
    state->custom_frequency = b->customFrequency;
    state->last_unit = b->lastUnit;
    for (unsigned u = 0; u < CORVANE_SIM_MAX_UNITS; ++u) unitSnapshot(*b, u, now, state->units[u]);
    state->pending_interrupts = static_cast<unsigned>(b->queue.size());
    state->open_descriptors = static_cast<unsigned>(b->fds.size());
    state->last_error = b->lastError;
    state->dropped_interrupts = b->dropped;
    state->number_of_inputs = b->inputCount;
    state->number_of_outputs = b->outputCount;
    state->directory = b->cfg.isDir ? 1 : 0;
    return 0;
}

int corvane_sim_set_inputs(const char* node, uint32_t inputs) {
    if (node == nullptr) return fail(EINVAL);
    return changeBoardInputs(node, 0, 0, 0, true, inputs);
}

int corvane_sim_set_port_inputs(const char* node, unsigned port, uint8_t value) {
    if (node == nullptr) return fail(EINVAL);
    if (port >= CORVANE_SIM_MAX_PORTS) return fail(ERANGE);
    return changeBoardInputs(node, port, 0xFF, value, false, 0);
}

int corvane_sim_set_input(const char* node, unsigned channel, int state) {
    if (node == nullptr || (state != 0 && state != 1)) return fail(EINVAL);
    {
        SimLock lock;
        auto b = findBoard(lock.sim(), node);
        if (!b) return fail(ENOENT);
        if (channel >= b->inputCount || channel >= 8 * CORVANE_SIM_MAX_PORTS) return fail(ERANGE);
    }
    const uint8_t bit = static_cast<uint8_t>(1u << (channel % 8));
    return changeBoardInputs(node, channel / 8, bit, state ? bit : 0, false, 0);
}

long corvane_sim_dropped_interrupts(const char* node) {
    if (node == nullptr) return fail(EINVAL);
    SimLock lock;
    Simulator& s = lock.sim();
    auto b = findBoard(s, node);
    if (!b) return fail(ENOENT);
    clockSettle(s);
    return b->dropped > static_cast<uint64_t>(LONG_MAX) ? LONG_MAX : static_cast<long>(b->dropped);
}

int corvane_sim_set_clock(int clock) {
    SimLock lock;
    return clockSet(lock.sim(), clock);
}

int corvane_sim_get_clock(void) {
    SimLock lock;
    return lock.sim().clock.mode;
}

int corvane_sim_advance_ns(uint64_t ns) {
    SimLock lock;
    return clockAdvance(lock.sim(), ns);
}

uint64_t corvane_sim_now_ns(void) {
    SimLock lock;
    return lock.sim().clock.now();
}

int corvane_sim_get_outputs(const char* node, uint32_t* outputs) {
    if (node == nullptr || outputs == nullptr) return fail(EINVAL);
    SimLock lock;
    auto b = findBoard(lock.sim(), node);
    if (!b) return fail(ENOENT);
    *outputs = b->outputWord();
    return 0;
}

int corvane_sim_get_port_outputs(const char* node, unsigned port, uint8_t* value) {
    if (node == nullptr || value == nullptr) return fail(EINVAL);
    if (port >= CORVANE_SIM_MAX_PORTS) return fail(ERANGE);
    SimLock lock;
    auto b = findBoard(lock.sim(), node);
    if (!b) return fail(ENOENT);
    *value = b->outputs[port];
    return 0;
}

int corvane_sim_set_unit_value(const char* node, unsigned unit, uint32_t value) {
    if (node == nullptr) return fail(EINVAL);
    if (unit >= CORVANE_SIM_MAX_UNITS) return fail(ERANGE);
    SimLock lock;
    auto b = findBoard(lock.sim(), node);
    if (!b) return fail(ENOENT);
    b->unitState[unit].value = value;
    b->unitModel[unit].valuePinned = true;
    return 0;
}

int corvane_sim_set_unit_status(const char* node, unsigned unit, uint8_t status_1, uint8_t status_2,
                                uint8_t status_3) {
    if (node == nullptr) return fail(EINVAL);
    if (unit >= CORVANE_SIM_MAX_UNITS) return fail(ERANGE);
    SimLock lock;
    auto b = findBoard(lock.sim(), node);
    if (!b) return fail(ENOENT);
    b->unitState[unit].status[0] = status_1;
    b->unitState[unit].status[1] = status_2;
    b->unitState[unit].status[2] = status_3;
    b->unitModel[unit].statusPinned = true;
    return 0;
}

int corvane_sim_unpin_unit(const char* node, unsigned unit) {
    if (node == nullptr) return fail(EINVAL);
    if (unit >= CORVANE_SIM_MAX_UNITS) return fail(ERANGE);
    SimLock lock;
    auto b = findBoard(lock.sim(), node);
    if (!b) return fail(ENOENT);
    b->unitModel[unit].valuePinned = false;
    b->unitModel[unit].statusPinned = false;
    return 0;
}

int corvane_sim_set_error_record(const char* node, const VelmorErrorType* record) {
    if (node == nullptr || record == nullptr) return fail(EINVAL);
    SimLock lock;
    auto b = findBoard(lock.sim(), node);
    if (!b) return fail(ENOENT);
    b->lastError = *record;
    return 0;
}

int corvane_sim_queue_interrupt(const char* node, const InterruptData* data) {
    if (node == nullptr || data == nullptr) return fail(EINVAL);
    SimLock lock;
    auto b = findBoard(lock.sim(), node);
    if (!b) return fail(ENOENT);
    if (!b->pushInterrupt(*data)) return fail(ENOSPC);
    return static_cast<int>(b->queue.size());
}

int corvane_sim_pending_interrupts(const char* node) {
    if (node == nullptr) return fail(EINVAL);
    SimLock lock;
    auto b = findBoard(lock.sim(), node);
    if (!b) return fail(ENOENT);
    return static_cast<int>(b->queue.size());
}

int corvane_sim_fail(const char* node, uint32_t command, int result, int error_number, int times,
                     const VelmorErrorType* record) {
    return corvane_sim_fail_after(node, command, 0, result, error_number, times, record);
}

int corvane_sim_fail_after(const char* node, uint32_t command, int skip, int result,
                           int error_number, int times, const VelmorErrorType* record) {
    if (result == 0 || times == 0 || times < CORVANE_SIM_ALWAYS || error_number < 0 || skip < 0) {
        return fail(EINVAL);
    }
    SimLock lock;
    Simulator& s = lock.sim();
    FailRule r;
    if (node != nullptr && *node != '\0') {
        if (!findBoard(s, node)) return fail(ENOENT);
        r.node = node;
    }
    r.command = command;
    r.result = result;
    r.error = error_number == 0 ? EIO : error_number;
    r.remaining = times;
    r.skip = skip;
    if (record != nullptr) {
        r.hasRecord = true;
        r.record = *record;
    }
    s.rules.push_back(r);
    return 0;
}

void corvane_sim_clear_failures(void) {
    SimLock lock;
    lock.sim().rules.clear();
}

int corvane_sim_queue_answer(const char* node, uint32_t command, const void* bytes, size_t size) {
    const uint32_t recordBytes = recordSize(command);
    if (node == nullptr || recordBytes == 0 || (bytes == nullptr && size != 0)) return fail(EINVAL);
    SimLock lock;
    Simulator& s = lock.sim();
    if (!findBoard(s, node)) return fail(ENOENT);
    QueuedAnswer answer;
    answer.node = node;
    answer.command = command;
    answer.bytes.assign(recordBytes, 0);
    if (size != 0) std::memcpy(answer.bytes.data(), bytes, std::min<size_t>(size, recordBytes));
    s.answers.push_back(std::move(answer));
    int queued = 0;
    for (const QueuedAnswer& a : s.answers) {
        if (a.node == node && a.command == command) ++queued;
    }
    return queued;
}

void corvane_sim_clear_answers(void) {
    SimLock lock;
    lock.sim().answers.clear();
}

size_t corvane_sim_trace_count(void) {
    SimLock lock;
    return lock.sim().trace.size();
}

int corvane_sim_trace_get(size_t index, corvane_sim_trace_entry* entry) {
    if (entry == nullptr) return fail(EINVAL);
    SimLock lock;
    Simulator& s = lock.sim();
    if (index >= s.trace.size()) return fail(ERANGE);
    const TraceEntry& t = s.trace[index];
    std::memset(entry, 0, sizeof *entry);
    copyOut(t.node, entry->node, sizeof entry->node);
    entry->command = t.command;
    entry->size = t.size;
    if (!t.sent.empty()) std::memcpy(entry->sent, t.sent.data(), t.sent.size());
    if (!t.returned.empty()) std::memcpy(entry->returned, t.returned.data(), t.returned.size());
    entry->result = t.result;
    entry->error_number = t.error;
    return 0;
}

void corvane_sim_trace_clear(void) {
    SimLock lock;
    lock.sim().trace.clear();
}

void corvane_sim_set_trace_limit(size_t limit) {
    SimLock lock;
    Simulator& s = lock.sim();
    s.traceLimit = limit;
    while (s.trace.size() > limit) s.trace.pop_front();
    // A deque keeps its blocks; a limit of 0 gives the memory back.
    if (limit == 0) std::deque<TraceEntry>().swap(s.trace);
}

void corvane_sim_set_high_descriptors(int on) {
    SimLock lock;
    lock.sim().highFds = on != 0;
}

int corvane_sim_is_simulated(int fd, char* node, size_t size) {
    SimLock lock;
    Simulator& s = lock.sim();
    auto it = s.fds.find(fd);
    if (it == s.fds.end()) return 0;
    copyOut(it->second->cfg.node, node, size);
    return 1;
}

}  // extern "C"
