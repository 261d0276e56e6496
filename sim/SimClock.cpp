// The simulator's clock: real time by default, or a virtual time that moves only when
// advanced; the scheduler that runs the boards' due events in time order; and the
// real-time thread that runs them as they fall due. Everything here runs with the
// simulator's lock held, except the start of the thread.
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "SimInternal.h"

namespace corvane_sim {
namespace {

// Events run in one go before the real-time thread lets other threads take the lock.
constexpr unsigned kEventsPerHold = 256;

// The earliest due event of all boards (kNever: none); boards in order, so ties keep
// board and unit order.
uint64_t earliestDue(const Simulator& s, Board** board, unsigned* unit) {
    uint64_t due = kNever;
    for (const auto& b : s.boards) {
        unsigned u = 0;
        const uint64_t d = boardNextDue(*b, u);
        if (d < due) {
            due = d;
            if (board != nullptr) *board = b.get();
            if (unit != nullptr) *unit = u;
        }
    }
    return due;
}

bool anythingScheduled(const Simulator& s) { return earliestDue(s, nullptr, nullptr) != kNever; }

void* clockThreadMain(void*) {
    SimLock lock;
    Simulator& s = lock.sim();
    const pid_t self = getpid();
    while (!s.exiting && s.owner == self) {
        if (s.clock.mode != CORVANE_SIM_CLOCK_REAL) {
            lock.wait(kNever);
            continue;
        }
        clockRunDue(s, s.clock.now(), &lock);
        const uint64_t due = earliestDue(s, nullptr, nullptr);
        lock.wait(due == kNever ? kNever : s.clock.monotonicAt(due));
    }
    if (s.owner == self) s.clock.threadStarted = false;
    return nullptr;
}

}  // namespace

uint64_t monotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000000000u + static_cast<uint64_t>(ts.tv_nsec);
}

uint64_t Clock::now() const {
    if (mode == CORVANE_SIM_CLOCK_VIRTUAL) return virtualNow;
    const uint64_t passed = monotonicNs() - realBase;
    return passed > kNever - realOffset ? kNever : realOffset + passed;
}

uint64_t Clock::monotonicAt(uint64_t t) const {
    if (t <= realOffset) return realBase;
    const uint64_t delta = t - realOffset;
    return delta > kNever - realBase ? kNever - 1 : realBase + delta;
}

void clockStart(Clock& c) {
    c = Clock();
    c.realBase = monotonicNs();
}

void clockRunDue(Simulator& s, uint64_t target, SimLock* lock) {
    unsigned handled = 0;
    for (;;) {
        Board* first = nullptr;
        unsigned firstUnit = 0;
        const uint64_t due = earliestDue(s, &first, &firstUnit);
        if (first == nullptr || due > target) return;
        if (s.clock.mode == CORVANE_SIM_CLOCK_VIRTUAL) s.clock.virtualNow = due;
        unitExpire(*first, firstUnit, due, target);
        if (lock != nullptr && ++handled % kEventsPerHold == 0) {
            lock->yield();
            if (s.exiting || s.clock.mode != CORVANE_SIM_CLOCK_REAL) return;
        }
    }
}

void clockSettle(Simulator& s) {
    if (s.clock.mode == CORVANE_SIM_CLOCK_REAL) clockRunDue(s, s.clock.now(), nullptr);
}

void clockScheduled(Simulator& s) {
    if (s.clock.mode != CORVANE_SIM_CLOCK_REAL) return;
    if (s.clock.threadStarted) {
        clockWake();
    } else {
        s.clock.threadWanted = true;
    }
}

int clockSet(Simulator& s, int mode) {
    if (mode != CORVANE_SIM_CLOCK_REAL && mode != CORVANE_SIM_CLOCK_VIRTUAL) {
        errno = EINVAL;
        return -1;
    }
    Clock& c = s.clock;
    if (mode == c.mode) return 0;
    if (mode == CORVANE_SIM_CLOCK_VIRTUAL) {
        clockSettle(s);  // what fell due in real time has happened
        c.virtualNow = c.now();
        c.mode = mode;
    } else {
        c.realOffset = c.virtualNow;
        c.realBase = monotonicNs();
        c.mode = mode;
        if (anythingScheduled(s)) clockScheduled(s);
    }
    clockWake();
    return 0;
}

int clockAdvance(Simulator& s, uint64_t ns) {
    Clock& c = s.clock;
    if (c.mode != CORVANE_SIM_CLOCK_VIRTUAL) {
        errno = EINVAL;
        return -1;
    }
    if (ns > kNever - c.virtualNow) {
        errno = EOVERFLOW;
        return -1;
    }
    const uint64_t target = c.virtualNow + ns;
    clockRunDue(s, target, nullptr);
    c.virtualNow = target;
    return 0;
}

void clockReset(Simulator& s) {
    if (s.clock.mode != CORVANE_SIM_CLOCK_REAL) clockSet(s, CORVANE_SIM_CLOCK_REAL);
}

void clockAfterFork(Simulator& s) {
    s.clock.threadStarted = false;
    s.clock.threadWanted = anythingScheduled(s);
}

bool clockTakeThreadStart(Simulator& s) {
    Clock& c = s.clock;
    if (!c.threadWanted || c.threadStarted || c.mode != CORVANE_SIM_CLOCK_REAL) return false;
    if (s.exiting || s.owner != getpid()) return false;
    c.threadWanted = false;
    c.threadStarted = true;
    return true;
}

void clockStartThread() {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    const int rc = pthread_create(&thread, &attr, clockThreadMain, nullptr);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        // Asked for again at the next scheduling; until then the events run whenever a
        // command or a control call brings the clock up to date.
        SimLock lock;
        lock.sim().clock.threadStarted = false;
    }
}

}  // namespace corvane_sim
