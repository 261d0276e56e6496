// The timer, counter and watchdog units of the simulated boards: what each model makes
// of a unit index and mode, the time bases, counting down in ticks, counting input
// edges, gates and triggers, expiries with their interrupts, and the reads. Called with
// the simulator's lock held.
#include <cerrno>
#include <cstring>

#include "SimInternal.h"

namespace corvane_sim {
namespace {

__extension__ typedef unsigned __int128 Wide;

constexpr uint64_t kNsPerSecond = 1000000000u;

// What a start makes of a unit: role, id and wiring (inputs), and the options the
// hardware of that unit has (others are ignored, as the board ignores them).
struct Resolved {
    int role = CORVANE_SIM_UNIT_NONE;
    int id = 0;
    uint32_t honoured = 0;
    int countInput = -1;
    int gateInput = -1;
    int triggerInput = -1;
};

bool resolve(const Board& b, unsigned unit, uint16_t mode, Resolved& out, const char*& why) {
    why = "Unit cannot run in this mode";
    switch (b.family) {
    case Family::Kelo6100:
        if (unit >= 2) {  // counters 0 to 2, counting inputs 0 to 2; the mode is not read
            out = {CORVANE_SIM_UNIT_COUNTER, static_cast<int>(unit) - 2,
                   COUNT_DIRECTION_UP | COUNTER_BOTH_EDGE_COUNT, static_cast<int>(unit) - 2, -1, -1};
            return true;
        }
        if (mode == 1) {
            out = {CORVANE_SIM_UNIT_TIMER, static_cast<int>(unit), 0, -1, -1, -1};
            return true;
        }
        if (mode == 0 && unit == 0) {
            out = {CORVANE_SIM_UNIT_WATCHDOG, 0, 0, -1, -1, -1};
            return true;
        }
        return false;
    case Family::Kelo3100: {
        // Unit 0 has neither gate nor trigger, unit 1 both, unit 2 a gate.
        static const int kCount[3] = {13, 14, 15};
        static const int kGate[3] = {-1, 11, 12};
        static const int kTrigger[3] = {-1, 10, -1};
        uint32_t honoured = SINGLE_CYCLE;
        if (kGate[unit] >= 0) honoured |= HARDWARE_GATE;
        if (kTrigger[unit] >= 0) honoured |= EXTERNAL_TRIGGER;
        int role = CORVANE_SIM_UNIT_NONE;
        int id = static_cast<int>(unit);
        if (mode == 0) role = CORVANE_SIM_UNIT_TIMER;
        if (mode == 2) role = CORVANE_SIM_UNIT_COUNTER;
        if (mode == 3 && unit == 2) role = CORVANE_SIM_UNIT_WATCHDOG, id = 0;
        if (role == CORVANE_SIM_UNIT_NONE) return false;
        out = {role, id, honoured, role == CORVANE_SIM_UNIT_COUNTER ? kCount[unit] : -1, kGate[unit],
               kTrigger[unit]};
        return true;
    }
    case Family::Kelo5100:
        out = {CORVANE_SIM_UNIT_TIMER, 0, 0, -1, -1, -1};
        return true;
    case Family::Kelo7100:
        out = {CORVANE_SIM_UNIT_WATCHDOG, 0, 0, -1, -1, -1};
        return true;
    case Family::Kelo42xx:
        break;
    }
    return false;
}

// The length of one tick of a time-based unit as num / den nanoseconds.
bool tickOf(const Board& b, const Resolved& r, uint8_t timebase, UnitModel& m, const char*& why) {
    if (b.family == Family::Kelo3100) {
        // The byte is a clock selection; the chip counts at half the selected clock.
        static const uint64_t kClock[3] = {111860, 3490, 1747};
        uint64_t hz = 0;
        if (timebase < 3) {
            hz = kClock[timebase];
        } else if (timebase == 3) {
            hz = b.customFrequencySet ? b.customFrequency : 0;
            if (hz == 0) {
                why = "Custom frequency not set";
                return false;
            }
        } else {
            why = "Unknown clock selection";
            return false;
        }
        m.tickNum = 2 * kNsPerSecond;
        m.tickDen = hz;
        return true;
    }
    static const uint64_t kUnit[3] = {1000, 1000000, kNsPerSecond};
    if (timebase == 3) {
        why = "Custom time base not available on this board";
        return false;
    }
    if (timebase > 3) {
        why = "Unknown time base";
        return false;
    }
    m.tickNum = kUnit[timebase];
    m.tickDen = 1;
    // The watchdog of the PCI variant of the 6100 counts in steps of 20 time-base units.
    if (b.family == Family::Kelo6100 && !b.cfg.pcie && r.role == CORVANE_SIM_UNIT_WATCHDOG) m.tickNum *= 20;
    return true;
}

bool timeBased(const UnitModel& m) {
    return m.role == CORVANE_SIM_UNIT_TIMER || m.role == CORVANE_SIM_UNIT_WATCHDOG;
}

uint64_t ticksIn(const UnitModel& m, uint64_t ns) {
    return static_cast<uint64_t>(static_cast<Wide>(ns) * m.tickDen / m.tickNum);
}

// Nanoseconds until ticks have passed (rounded up), at most kNever.
uint64_t nsFor(const UnitModel& m, uint64_t ticks) {
    Wide ns = (static_cast<Wide>(ticks) * m.tickNum + m.tickDen - 1) / m.tickDen;
    return ns > kNever ? kNever : static_cast<uint64_t>(ns);
}

uint64_t elapsed(const UnitModel& m, uint64_t now) {
    return m.phase + (m.counting && now > m.anchor ? ticksIn(m, now - m.anchor) : 0);
}

// Expiries (ends of count) since the start.
uint64_t totalExpiries(const UnitModel& m, uint64_t now) {
    if (!timeBased(m)) return m.expiries;
    return m.base + elapsed(m, now) / m.reload;
}

bool gateOpen(const Board& b, const UnitModel& m) {
    if (m.gateInput < 0 || (m.options & HARDWARE_GATE) == 0) return true;
    return (b.inputs[m.gateInput / 8] >> (m.gateInput % 8)) & 1u;
}

// The next expiry after now that needs an event. Events only where something happens:
// an interrupt, the end of a single cycle, a watchdog's expiry; a free-running timer
// without interrupt is read from the clock.
void schedule(Board& b, unsigned u, uint64_t now) {
    UnitModel& m = b.unitModel[u];
    m.nextDue = kNever;
    if (!m.counting || !timeBased(m)) return;
    const bool needed = b.unitState[u].start_interrupt != 0 || (m.options & SINGLE_CYCLE) != 0 ||
                        m.role == CORVANE_SIM_UNIT_WATCHDOG;
    if (!needed) return;
    const uint64_t next = (elapsed(m, now) / m.reload + 1) * m.reload;
    const uint64_t wait = nsFor(m, next - m.phase);
    m.nextDue = wait > kNever - m.anchor ? kNever : m.anchor + wait;
}

// Counting starts or stops (start, stop, gate, trigger, end), keeping the ticks so far.
void setCounting(Board& b, unsigned u, bool on, uint64_t now) {
    UnitModel& m = b.unitModel[u];
    if (on != m.counting) {
        if (on) {
            m.anchor = now;
        } else {
            m.phase = elapsed(m, now);
        }
        m.counting = on;
    }
    schedule(b, u, now);
}

bool shouldCount(const Board& b, unsigned u) {
    const UnitModel& m = b.unitModel[u];
    return b.unitState[u].running && m.role != CORVANE_SIM_UNIT_NONE && !m.finished && !m.waiting &&
           gateOpen(b, m);
}

bool queueFull(const Board& b) { return b.queue.size() >= CORVANE_SIM_INTERRUPT_QUEUE_SIZE; }

void raiseFor(Board& b, unsigned u, uint64_t sequence) {
    const UnitModel& m = b.unitModel[u];
    if (b.unitState[u].start_interrupt == 0) return;
    InterruptData d;
    std::memset(&d, 0, sizeof d);
    d.interrupt_source = m.role == CORVANE_SIM_UNIT_TIMER     ? CORVANE_SIM_SOURCE_TIMER
                         : m.role == CORVANE_SIM_UNIT_COUNTER ? CORVANE_SIM_SOURCE_COUNTER
                                                              : CORVANE_SIM_SOURCE_WATCHDOG;
    d.interrupt_mask = 1u << m.id;
    d.args_count = 2;
    d.args[0] = u;
    d.args[1] = static_cast<uint32_t>(sequence);
    b.raise(d);
}

// The unit stops by itself: a single cycle ended or the watchdog ran out.
void finish(Board& b, unsigned u, uint64_t now) {
    UnitModel& m = b.unitModel[u];
    setCounting(b, u, false, now);
    m.finished = true;
    m.nextDue = kNever;
    b.unitState[u].running = 0;
}

// Reload point: a trigger (software or the trigger input) reloads the count.
void retrigger(Board& b, unsigned u, uint64_t now) {
    UnitModel& m = b.unitModel[u];
    if (!b.unitState[u].running || m.role == CORVANE_SIM_UNIT_NONE || m.finished) return;
    if (timeBased(m)) {
        m.base += elapsed(m, now) / m.reload;
        m.phase = 0;
        m.anchor = now;
    } else {
        m.count = (m.options & COUNT_DIRECTION_UP) ? 0 : m.reload;
    }
    m.waiting = false;
    setCounting(b, u, shouldCount(b, u), now);
}

void countEdge(Board& b, unsigned u, uint64_t now) {
    UnitModel& m = b.unitModel[u];
    bool end;
    if (m.options & COUNT_DIRECTION_UP) {
        end = ++m.count >= m.reload;
    } else {
        end = --m.count == 0;
    }
    if (!end) return;
    ++m.expiries;
    raiseFor(b, u, m.expiries);
    if (m.options & SINGLE_CYCLE) {
        finish(b, u, now);
    } else {
        m.count = (m.options & COUNT_DIRECTION_UP) ? 0 : m.reload;
    }
}

uint32_t modelValue(const UnitModel& m, uint64_t now) {
    if (m.role == CORVANE_SIM_UNIT_NONE) return 0;
    if (!timeBased(m)) return m.count;
    if (m.finished) return 0;
    return m.reload - static_cast<uint32_t>(elapsed(m, now) % m.reload);
}

void modelStatus(const Board& b, unsigned u, uint64_t now, uint8_t (&status)[3]) {
    const UnitModel& m = b.unitModel[u];
    const uint64_t since = totalExpiries(m, now) - m.readExpiries;
    status[0] = b.unitState[u].running && m.role != CORVANE_SIM_UNIT_NONE ? 1 : 0;
    status[1] = m.role == CORVANE_SIM_UNIT_WATCHDOG ? (m.finished ? 1 : 0) : (since > 0 ? 1 : 0);
    status[2] = static_cast<uint8_t>(since > 255 ? 255 : since);
}

}  // namespace

CommandResult unitInit(Board& b, const IoctlInitTimerCounterWatchdogStruct& r, const char* name) {
    if (r.index >= b.units) return refuse(b, name, EINVAL, "Invalid timer/counter/watchdog index");
    corvane_sim_unit_state& st = b.unitState[r.index];
    UnitModel& m = b.unitModel[r.index];
    st.configured = 1;
    st.config = r;
    st.running = 0;  // a new set-up stops the unit; it runs it from the next start
    const bool valuePinned = m.valuePinned;
    const bool statusPinned = m.statusPinned;
    m = UnitModel();
    m.valuePinned = valuePinned;
    m.statusPinned = statusPinned;
    b.lastUnit = r.index;
    return {0, 0};
}

CommandResult unitAction(Board& b, const IoctlStartStopTriggerTimerCounterWatchdogStruct& r,
                         const char* name, uint64_t now) {
    if (r.index >= b.units) return refuse(b, name, EINVAL, "Invalid timer/counter/watchdog index");
    const unsigned u = r.index;
    corvane_sim_unit_state& st = b.unitState[u];
    UnitModel& m = b.unitModel[u];
    switch (r.action) {
    case 1: {
        UnitModel next;
        next.valuePinned = m.valuePinned;
        next.statusPinned = m.statusPinned;
        if (st.configured) {
            // A set-up the unit cannot run is refused here, where it would have to run.
            Resolved res;
            const char* why = nullptr;
            if (!resolve(b, u, st.config.mode, res, why)) return refuse(b, name, EINVAL, why);
            next.role = res.role;
            if (timeBased(next) && !tickOf(b, res, st.config.timebase, next, why)) return refuse(b, name, EINVAL, why);
            if (st.config.reload_value == 0) return refuse(b, name, EINVAL, "Reload value 0 cannot run");
            next.id = res.id;
            next.reload = st.config.reload_value;
            next.options = st.config.options & res.honoured;
            next.countInput = res.countInput;
            next.gateInput = res.gateInput;
            next.triggerInput = res.triggerInput;
            next.waiting = (next.options & EXTERNAL_TRIGGER) != 0;
            next.count = (next.options & COUNT_DIRECTION_UP) ? 0 : next.reload;
            next.anchor = now;
        }
        m = next;
        st.running = 1;
        st.start_interrupt = r.interrupt;
        ++st.starts;
        setCounting(b, u, shouldCount(b, u), now);
        return {0, 0};
    }
    case 0:
        st.running = 0;
        ++st.stops;
        setCounting(b, u, false, now);
        return {0, 0};
    case 2:
        ++st.triggers;
        retrigger(b, u, now);
        return {0, 0};
    default:
        return refuse(b, name, EINVAL, "Invalid action");
    }
}

CommandResult unitRead(Board& b, IoctlReadTimerCounterWatchdogStruct& r, const char* name, uint64_t now) {
    if (r.index >= b.units) return refuse(b, name, EINVAL, "Invalid timer/counter/watchdog index");
    const corvane_sim_unit_state& st = b.unitState[r.index];
    UnitModel& m = b.unitModel[r.index];
    // Both reads answer the count; a status read adds the three status bytes.
    r.value = m.valuePinned ? st.value : modelValue(m, now);
    if (r.read_status) {
        uint8_t status[3];
        modelStatus(b, r.index, now, status);
        if (m.statusPinned) std::memcpy(status, st.status, sizeof status);
        r.status_1 = status[0];
        r.status_2 = status[1];
        r.status_3 = status[2];
        m.readExpiries = totalExpiries(m, now);  // the expiry flags are read-to-clear
    }
    return {0, 0};
}

void unitExpire(Board& b, unsigned u, uint64_t at, uint64_t target) {
    UnitModel& m = b.unitModel[u];
    if (!m.counting || !timeBased(m)) {
        m.nextDue = kNever;
        return;
    }
    const uint64_t expiry = elapsed(m, at) / m.reload;
    if (m.role == CORVANE_SIM_UNIT_WATCHDOG) {
        // The watchdog switches every output off and stays expired until started again.
        raiseFor(b, u, m.base + expiry);
        std::memset(b.outputs, 0, sizeof b.outputs);
        finish(b, u, at);
    } else if (m.options & SINGLE_CYCLE) {
        raiseFor(b, u, m.base + expiry);
        finish(b, u, at);
    } else if (b.unitState[u].start_interrupt && queueFull(b) && target > at) {
        // The queue stays full up to target (nothing takes from it meanwhile): every
        // expiry of this periodic timer up to then is dropped, counted in one step.
        b.dropped += elapsed(m, target) / m.reload - expiry + 1;
        schedule(b, u, target);
    } else {
        raiseFor(b, u, m.base + expiry);
        schedule(b, u, at);
    }
}

void unitsSeeInputs(Board& b, uint32_t before, uint32_t after, uint64_t now) {
    const uint32_t changed = before ^ after;
    if (changed == 0) return;
    auto bit = [](uint32_t word, int channel) { return channel >= 0 && channel < 32 && ((word >> channel) & 1u); };
    for (unsigned u = 0; u < b.units; ++u) {
        UnitModel& m = b.unitModel[u];
        if (!b.unitState[u].running || m.role == CORVANE_SIM_UNIT_NONE) continue;
        if ((m.options & HARDWARE_GATE) && bit(changed, m.gateInput)) setCounting(b, u, shouldCount(b, u), now);
        if ((m.options & EXTERNAL_TRIGGER) && bit(changed, m.triggerInput) && bit(after, m.triggerInput)) {
            retrigger(b, u, now);
        }
        if (m.role == CORVANE_SIM_UNIT_COUNTER && m.counting && bit(changed, m.countInput)) {
            const bool rising = bit(after, m.countInput);
            uint32_t edges = m.options & COUNTER_BOTH_EDGE_COUNT;
            if (edges == 0) edges = COUNTER_RISING_EDGE_COUNT;  // without a choice: rising edges
            if (edges & (rising ? COUNTER_RISING_EDGE_COUNT : COUNTER_FALLING_EDGE_COUNT)) countEdge(b, u, now);
        }
    }
}

void unitSnapshot(const Board& b, unsigned u, uint64_t now, corvane_sim_unit_state& out) {
    const UnitModel& m = b.unitModel[u];
    out = b.unitState[u];
    if (!m.valuePinned) out.value = modelValue(m, now);
    if (!m.statusPinned) modelStatus(b, u, now, out.status);
    out.role = m.role;
    out.pinned = (m.valuePinned ? 1 : 0) | (m.statusPinned ? 2 : 0);
    const uint64_t total = totalExpiries(m, now);
    out.expiries = total > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(total);
    out.next_event_ns = m.nextDue;
}

uint64_t boardNextDue(const Board& b, unsigned& unit) {
    uint64_t due = kNever;
    for (unsigned u = 0; u < b.units && u < CORVANE_SIM_MAX_UNITS; ++u) {
        if (b.unitModel[u].nextDue < due) {
            due = b.unitModel[u].nextDue;
            unit = u;
        }
    }
    return due;
}

}  // namespace corvane_sim
