#include "RefusalProbes.h"

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include <corvane/CorvaneException.h>
#include <corvane/CounterInterface.h>
#include <corvane/DigitalIOInterface.h>
#include <corvane/DigitalIOPortsInterface.h>
#include <corvane/InterruptInterface.h>
#include <corvane/TimerInterface.h>
#include <corvane/WatchdogInterface.h>

#include "MarkdownText.h"

namespace docgen {

using velmor::corvane::Device;

namespace {

// One call as the table shows it, what it does, and what puts the board back afterwards
// (a refused call may leave an entry written, an accepted one a setting changed).
struct Probe {
    std::string call;
    std::function<void()> action;
    std::function<void()> restore;
};

struct Outcome {
    std::string call;
    bool refused = false;
    std::string message;
    uint32_t code = 0;
};

const char* const kBaseNames[4] = {"MICROSECOND", "MILLISECOND", "SECOND", "CUSTOM"};

int lowestBit(uint32_t mask) {
    for (int bit = 0; bit < 32; ++bit) {
        if ((mask & (1u << bit)) != 0) {
            return bit;
        }
    }
    return -1;
}

int highestBit(uint32_t mask) {
    for (int bit = 31; bit >= 0; --bit) {
        if ((mask & (1u << bit)) != 0) {
            return bit;
        }
    }
    return -1;
}

void digitalProbes(Device& board, const DigitalInformations& d, std::vector<Probe>& probes) {
    velmor::corvane::DigitalIOInterface* io = board.digitalIo();
    if (io == nullptr) {
        return;
    }
    const unsigned inputs = d.number_inputs;
    const unsigned outputs = d.number_outputs;
    const auto in = static_cast<uint8_t>(inputs);
    const auto out = static_cast<uint8_t>(outputs);
    probes.push_back({"readSingleDigitalInput(" + std::to_string(inputs) + ")",
                      [io, in] { io->readSingleDigitalInput(in); }, nullptr});
    probes.push_back({"writeSingleDigitalOutput(" + std::to_string(outputs) + ", true)",
                      [io, out] { io->writeSingleDigitalOutput(out, true); }, nullptr});
    if (outputs < 32) {
        const uint32_t mask = 1u << outputs;
        probes.push_back({"writeAllDigitalOutput(" + hex32(mask) + ", true)",
                          [io, mask] { io->writeAllDigitalOutput(mask, true); }, nullptr});
    }
    probes.push_back({"getDigitalOutputStatus()", [io] { io->getDigitalOutputStatus(); }, nullptr});

    if (board.interrupt() != nullptr) {
        const uint32_t mask = d.interrupt_mask;
        if (inputs == 0 || mask == 0) {
            probes.push_back({"setInterruptEventForOneInput(0, RISING_EDGE)",
                              [io] { io->setInterruptEventForOneInput(0, RISING_EDGE); }, nullptr});
            probes.push_back({"setInterruptLogicForPort(0, OR)",
                              [io] { io->setInterruptLogicForPort(0, OR); }, nullptr});
        } else {
            const int low = lowestBit(mask);
            const int high = highestBit(mask);
            const auto unused = [io](uint8_t channel) {
                return [io, channel] { io->setInterruptEventForOneInput(channel, UNUSED); };
            };
            if (low > 0) {
                const auto channel = static_cast<uint8_t>(low - 1);
                probes.push_back({"setInterruptEventForOneInput(" + std::to_string(low - 1) + ", RISING_EDGE)",
                                  [io, channel] { io->setInterruptEventForOneInput(channel, RISING_EDGE); },
                                  nullptr});
            }
            if (high < 31) {
                const auto channel = static_cast<uint8_t>(high + 1);
                const uint32_t bit = 1u << (high + 1);
                probes.push_back({"setInterruptEventForOneInput(" + std::to_string(high + 1) + ", RISING_EDGE)",
                                  [io, channel] { io->setInterruptEventForOneInput(channel, RISING_EDGE); },
                                  nullptr});
                probes.push_back({"setInterruptEventForInputs(" + hex32(bit) + ", RISING_EDGE)",
                                  [io, bit] { io->setInterruptEventForInputs(bit, RISING_EDGE); }, nullptr});
            }
            const auto first = static_cast<uint8_t>(low);
            probes.push_back({"setInterruptEventForOneInput(" + std::to_string(low) + ", ON_ONE)",
                              [io, first] { io->setInterruptEventForOneInput(first, ON_ONE); },
                              unused(first)});
            const int second = lowestBit(mask & ~(1u << low));
            if (second >= 0) {
                const uint32_t pair = (1u << low) | (1u << second);
                probes.push_back(
                    {"setInterruptLogicForPort(0, AND)`, then `setInterruptEventForInputs(" +
                         hex32(pair) + ", RISING_EDGE)",
                     [io, pair] {
                         io->setInterruptLogicForPort(0, AND);
                         io->setInterruptEventForInputs(pair, RISING_EDGE);
                     },
                     [io, pair] {
                         io->setInterruptLogicForPort(0, OR);
                         io->setInterruptEventForInputs(pair, UNUSED);
                     }});
            }
            for (unsigned port = 0; port < d.number_of_ports; ++port) {
                const auto p = static_cast<uint8_t>(port);
                probes.push_back({"setInterruptLogicForPort(" + std::to_string(port) + ", AND)",
                                  [io, p] { io->setInterruptLogicForPort(p, AND); },
                                  [io, p] { io->setInterruptLogicForPort(p, OR); }});
            }
            const auto past = static_cast<uint8_t>(d.number_of_ports);
            probes.push_back({"setInterruptLogicForPort(" + std::to_string(d.number_of_ports) + ", OR)",
                              [io, past] { io->setInterruptLogicForPort(past, OR); }, nullptr});
        }
    }
    probes.push_back({"setOutputInterrupt(true, false)", [io] { io->setOutputInterrupt(true, false); },
                      [io] { io->setOutputInterrupt(false, false); }});
}

void portProbes(Device& board, const DigitalInformations& d, std::vector<Probe>& probes) {
    velmor::corvane::DigitalIOPortsInterface* io = board.digitalIoPorts();
    if (io == nullptr) {
        return;
    }
    const auto past = static_cast<uint8_t>(d.number_of_ports);
    const std::string port = std::to_string(d.number_of_ports);
    probes.push_back({"readAllDigitalInputsFromPort(" + port + ")",
                      [io, past] { io->readAllDigitalInputsFromPort(past); }, nullptr});
    probes.push_back({"getDigitalOutputsStatusOnPort(" + port + ")",
                      [io, past] { io->getDigitalOutputsStatusOnPort(past); }, nullptr});
    probes.push_back({"writeSingleDigitalOutputOnPort(0, 1, " + port + ")",
                      [io, past] { io->writeSingleDigitalOutputOnPort(0, 1, past); }, nullptr});
    probes.push_back({"writeSingleDigitalOutputOnPort(8, 1, 0)",
                      [io] { io->writeSingleDigitalOutputOnPort(8, 1, 0); }, nullptr});
    probes.push_back({"writeSingleDigitalOutputOnPort(0, 2, 0)",
                      [io] { io->writeSingleDigitalOutputOnPort(0, 2, 0); }, nullptr});
    probes.push_back({"writeAllDigitalOutputsOnPort(0xFF, 2, 0)",
                      [io] { io->writeAllDigitalOutputsOnPort(0xFF, 2, 0); }, nullptr});
    probes.push_back({"enableDigitalInterrupt()", [io] { io->enableDigitalInterrupt(); },
                      [io] { io->disableDigitalInterrupt(); }});
}

using InitCall = std::function<void(uint8_t unit, TIMEBASE_UNITS timebase, uint16_t reload)>;
using IdCall = std::pair<std::string, std::function<void(uint8_t unit)>>;

// Timers and watchdogs alike: the initialisation of the id one past the count, the reloads
// one past each time base's range (below a minimum above 1, above the maximum, and 1 for a
// time base without a range), then each short operation on the id one past the count.
void timedUnitProbes(const std::string& initName, unsigned count, const uint16_t (&minimum)[4],
                     const uint16_t (&maximum)[4], const InitCall& init,
                     const std::vector<IdCall>& idCalls, std::vector<Probe>& probes) {
    const auto past = static_cast<uint8_t>(count);
    const std::string id = std::to_string(count);
    probes.push_back({initName + "(" + id + ", MILLISECOND, 100, 0)",
                      [init, past] { init(past, MILLISECOND, 100); }, nullptr});
    for (int base = 0; base < 4 && count > 0; ++base) {
        const auto timebase = static_cast<TIMEBASE_UNITS>(base);
        std::vector<unsigned> reloads;
        if (minimum[base] == 0 && maximum[base] == 0) {
            reloads.push_back(1);
        } else {
            if (minimum[base] > 1) {
                reloads.push_back(minimum[base] - 1u);
            }
            if (maximum[base] < 0xFFFF) {
                reloads.push_back(maximum[base] + 1u);
            }
        }
        for (unsigned reload : reloads) {
            const auto value = static_cast<uint16_t>(reload);
            probes.push_back({initName + "(0, " + kBaseNames[base] + ", " + std::to_string(reload) + ", 0)",
                              [init, timebase, value] { init(0, timebase, value); }, nullptr});
        }
    }
    for (const IdCall& call : idCalls) {
        const auto action = call.second;
        probes.push_back({call.first + "(" + id + ")", [action, past] { action(past); }, nullptr});
    }
}

void timerProbes(Device& board, const TimerInformations& t, std::vector<Probe>& probes) {
    velmor::corvane::TimerInterface* timer = board.timer();
    if (timer == nullptr) {
        return;
    }
    timedUnitProbes(
        "initTimer", t.number_timers, t.min_reload_value, t.max_reload_value,
        [timer](uint8_t unit, TIMEBASE_UNITS base, uint16_t reload) { timer->initTimer(unit, base, reload, 0); },
        {{"startTimer", [timer](uint8_t unit) { timer->startTimer(unit); }},
         {"enableTimerInterrupt", [timer](uint8_t unit) { timer->enableTimerInterrupt(unit); }}},
        probes);
    probes.push_back({"setCustomTimerFrequency(1000)", [timer] { timer->setCustomTimerFrequency(1000); },
                      nullptr});
}

void counterProbes(Device& board, const CounterInformations& c, std::vector<Probe>& probes) {
    velmor::corvane::CounterInterface* counter = board.counter();
    if (counter == nullptr) {
        return;
    }
    const auto past = static_cast<uint8_t>(c.number_counters);
    const std::string id = std::to_string(c.number_counters);
    probes.push_back({"initCounter(" + id + ", 100, 0)", [counter, past] { counter->initCounter(past, 100, 0); },
                      nullptr});
    probes.push_back({"initCounter(0, 0, 0)", [counter] { counter->initCounter(0, 0, 0); }, nullptr});
    std::vector<uint32_t> reloads;
    if (c.max_reload_value > 4095) {
        reloads.push_back(4096);  // one past a 12-bit count
    }
    if (c.max_reload_value < 0xFFFFFFFFu) {
        reloads.push_back(c.max_reload_value + 1);
    }
    for (uint32_t reload : reloads) {
        probes.push_back({"initCounter(0, " + std::to_string(reload) + ", 0)",
                          [counter, reload] { counter->initCounter(0, reload, 0); }, nullptr});
    }
    probes.push_back({"startCounter(" + id + ")", [counter, past] { counter->startCounter(past); }, nullptr});
}

void watchdogProbes(Device& board, const WatchdogInformations& w, std::vector<Probe>& probes) {
    velmor::corvane::WatchdogInterface* watchdog = board.watchdog();
    if (watchdog == nullptr) {
        return;
    }
    timedUnitProbes(
        "initWatchdog", w.number_watchdogs, w.min_reload_value, w.max_reload_value,
        [watchdog](uint8_t unit, TIMEBASE_UNITS base, uint16_t reload) {
            watchdog->initWatchdog(unit, base, reload, 0);
        },
        {{"startWatchdog", [watchdog](uint8_t unit) { watchdog->startWatchdog(unit); }},
         {"triggerWatchdog", [watchdog](uint8_t unit) { watchdog->triggerWatchdog(unit); }}},
        probes);
}

std::vector<Outcome> run(const Variant& variant) {
    const std::shared_ptr<Device> board = boardOf(variant);
    const VelmorDeviceStruct info = board->getDeviceInformation();
    std::vector<Probe> probes;
    digitalProbes(*board, info.functions.digital, probes);
    portProbes(*board, info.functions.digital, probes);
    timerProbes(*board, info.functions.timer, probes);
    counterProbes(*board, info.functions.counter, probes);
    watchdogProbes(*board, info.functions.watchdog, probes);

    std::vector<Outcome> outcomes;
    for (const Probe& probe : probes) {
        Outcome outcome;
        outcome.call = probe.call;
        try {
            probe.action();
        } catch (const CorvaneException& e) {
            outcome.refused = true;
            outcome.message = e.getMessage();
            outcome.code = e.getCode();
        }
        if (probe.restore) {
            try {
                probe.restore();
            } catch (const CorvaneException&) {
                // The board refuses the setting back as it refused it forth.
            }
        }
        outcomes.push_back(outcome);
    }
    return outcomes;
}

bool sameResult(const Outcome& a, const Outcome& b) {
    return a.refused == b.refused && a.message == b.message && a.code == b.code;
}

}  // namespace

std::string refusalsTable(const Model& model) {
    std::vector<std::vector<Outcome>> all;
    for (const Variant& variant : model.variants) {
        all.push_back(run(variant));
    }
    // Calls in the order of the first variant, then the calls only the others make.
    std::vector<std::string> calls;
    for (const auto& outcomes : all) {
        for (const Outcome& outcome : outcomes) {
            bool known = false;
            for (const std::string& call : calls) {
                known = known || call == outcome.call;
            }
            if (!known) {
                calls.push_back(outcome.call);
            }
        }
    }
    std::string text = "| Call | On | Message | Code |\n|---|---|---|---|\n";
    for (const std::string& call : calls) {
        std::vector<const Outcome*> found;
        for (const auto& outcomes : all) {
            const Outcome* match = nullptr;
            for (const Outcome& outcome : outcomes) {
                if (outcome.call == call) {
                    match = &outcome;
                }
            }
            found.push_back(match);
        }
        bool everywhere = true;
        for (const Outcome* outcome : found) {
            everywhere = everywhere && outcome != nullptr && sameResult(*outcome, *found.front());
        }
        for (size_t v = 0; v < found.size(); ++v) {
            const Outcome* outcome = found[v];
            if (outcome == nullptr || !outcome->refused) {
                continue;
            }
            const std::string on = everywhere ? "both" : "`" + model.variants[v].prefix + "`";
            text += "| `" + cell(call) + "` | " + on + " | " + cell(outcome->message) + " | `" +
                    hex32(outcome->code) + "` |\n";
            if (everywhere) {
                break;
            }
        }
    }
    return text;
}

}  // namespace docgen
