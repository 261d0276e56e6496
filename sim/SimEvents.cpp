// Input events of the simulated boards: a change of the inputs is compared with the
// configuration the driver received (IoctlInitDigitalInputInterrupt, started with
// IoctlStartStopDigitalInterrupt), in each model's encoding of the two masks, and a match
// queues one interrupt naming the inputs that fired. Called with the simulator's lock held.
#include <cerrno>
#include <cstring>

#include "SimInternal.h"

namespace corvane_sim {
namespace {

// The inputs that can raise interrupts on each model.
uint32_t interruptible(const Board& b) {
    switch (b.family) {
    case Family::Kelo6100:
        return 0x000FFFF0u;
    case Family::Kelo5100:
        return 0x0000FFFFu;
    case Family::Kelo3100:
        return 0x00003FFFu;
    default:
        return 0;
    }
}

// Inputs taking part in one port's pattern word of the 3100 (mask or transition bits).
uint32_t patternInputs(uint32_t word) { return ((word >> 8) | (word >> 16)) & 0xFFu; }

uint32_t word32(const uint8_t* bytes) {
    uint32_t w = 0;
    for (unsigned i = 0; i < 4; ++i) w |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    return w;
}

void fire(Board& b, uint32_t mask, uint32_t inputs, unsigned port) {
    InterruptData d;
    std::memset(&d, 0, sizeof d);
    d.interrupt_source = CORVANE_SIM_SOURCE_DIGITAL_INPUT;
    d.interrupt_mask = mask;
    d.args_count = 2;
    d.args[0] = inputs;
    d.args[1] = port;
    b.raise(d);
}

// 6100 and 5100: first_mask rising edges, second_mask falling edges (both: any edge);
// logic_and: every configured input must see its edge in the same change.
void edgeEvents(Board& b, uint32_t before, uint32_t after) {
    const uint32_t allowed = interruptible(b);
    const uint32_t rising = b.digitalInterrupt.first_mask & allowed;
    const uint32_t falling = b.digitalInterrupt.second_mask & allowed;
    const uint32_t matched = (rising & ~before & after) | (falling & before & ~after);
    if (b.digitalInterrupt.logic_and) {
        const uint32_t all = rising | falling;
        if (all != 0 && matched == all) fire(b, all, after, 0);
    } else if (matched != 0) {
        fire(b, matched, after, 0);
    }
}

// 3100: one pattern word per port (mode 2 AND, else OR; mask, transition, polarity).
void patternEvents(Board& b, uint32_t before, uint32_t after) {
    const uint32_t allowed = interruptible(b);
    for (unsigned port = 0; port < 2; ++port) {
        const unsigned shift = 8 * port;
        const uint32_t was = (before >> shift) & 0xFFu;
        const uint32_t is = (after >> shift) & 0xFFu;
        if (was == is) continue;
        const uint32_t word = port == 0 ? b.digitalInterrupt.first_mask : b.digitalInterrupt.second_mask;
        const uint32_t usable = (allowed >> shift) & 0xFFu;
        const uint32_t mask = (word >> 8) & usable;
        const uint32_t transition = (word >> 16) & usable;
        const uint32_t polarity = (word >> 24) & 0xFFu;
        const uint32_t changed = was ^ is;
        const uint32_t levels = mask & ~transition;
        const uint32_t edges = mask & transition;
        const uint32_t anyEdges = transition & ~mask;
        const uint32_t levelNow = levels & ~(is ^ polarity);
        const uint32_t levelBefore = levels & ~(was ^ polarity);
        const uint32_t edgeNow = edges & changed & ~(is ^ polarity);
        const uint32_t anyNow = anyEdges & changed;
        const uint32_t all = mask | transition;
        if ((word & 0x7Fu) == 2) {
            // AND: every input matches; levels alone fire when the pattern comes true.
            const bool matchNow = all != 0 && (levelNow | edgeNow | anyNow) == all;
            const bool matchedBefore = (edges | anyEdges) == 0 && levelBefore == levels;
            if (matchNow && !matchedBefore) fire(b, all << shift, after, port);
        } else {
            const uint32_t fired = (levelNow & ~levelBefore) | edgeNow | anyNow;
            if (fired != 0) fire(b, fired << shift, after, port);
        }
    }
}

}  // namespace

CommandResult digitalConfigure(Board& b, const IoctlInitDigitalInputInterruptStruct& r, const char* name) {
    uint32_t inputs = r.first_mask | r.second_mask;
    if (b.family == Family::Kelo3100) inputs = patternInputs(r.first_mask) | (patternInputs(r.second_mask) << 8);
    if (inputs & ~interruptible(b)) return refuse(b, name, EINVAL, "Input cannot raise interrupts");
    b.digitalInterrupt = r;
    b.digitalInterruptConfigured = 1;
    return {0, 0};
}

void changeInputs(Board& b, const uint8_t (&inputs)[CORVANE_SIM_MAX_PORTS], uint64_t now) {
    const uint32_t present = b.inputCount >= 32 ? 0xFFFFFFFFu : (1u << b.inputCount) - 1u;
    const uint32_t before = word32(b.inputs) & present;
    std::memcpy(b.inputs, inputs, sizeof b.inputs);
    const uint32_t after = word32(b.inputs) & present;
    if (before == after) return;
    unitsSeeInputs(b, before, after, now);
    if (b.digitalInterruptStarted != 1 || !b.digitalInterruptConfigured) return;
    if (b.family == Family::Kelo3100) {
        patternEvents(b, before, after);
    } else if (b.family == Family::Kelo6100 || b.family == Family::Kelo5100) {
        edgeEvents(b, before, after);
    }
}

}  // namespace corvane_sim
