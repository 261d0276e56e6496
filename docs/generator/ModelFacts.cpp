#include "ModelFacts.h"

#include <cstring>
#include <functional>
#include <vector>

#include <corvane/CorvaneException.h>
#include <corvane/DigitalIOInterface.h>
#include <corvane/DigitalIOPortsInterface.h>

#include "MarkdownText.h"

namespace docgen {

using velmor::corvane::Device;

namespace {

// What one variant looks like once the library has opened it.
struct Observed {
    const Variant* variant;
    std::shared_ptr<Device> board;
    VelmorDeviceStruct info;
    std::string outputsOff;  // what happens to a first "switch off" on the new board
};

std::string capabilities(Device& board) {
    std::string text;
    const auto add = [&text](bool present, const char* name) {
        if (present) {
            text += (text.empty() ? "" : ", ") + std::string(name);
        }
    };
    add(board.digitalIo() != nullptr, "digital channels");
    add(board.digitalIoPorts() != nullptr, "digital ports");
    add(board.timer() != nullptr, "timer");
    add(board.counter() != nullptr, "counter");
    add(board.watchdog() != nullptr, "watchdog");
    add(board.interrupt() != nullptr, "interrupts");
    return text;
}

// Switching one output off on the board as the library hands it out tells whether output
// memory starts on. Boards without outputs refuse for that reason instead.
std::string firstSwitchOff(Device& board, const VelmorDeviceStruct& info) {
    if (info.functions.digital.number_outputs == 0) {
        return "— (no outputs)";
    }
    try {
        if (auto* digital = board.digitalIo()) {
            digital->writeSingleDigitalOutput(0, false);
        } else if (auto* ports = board.digitalIoPorts()) {
            ports->writeSingleDigitalOutputOnPort(0, 0, 0);
        }
        return "allowed at once (output memory starts on)";
    } catch (const CorvaneException& e) {
        if (e.getCode() == 0x82001909u) {
            return "refused until `setOutputMemoryOn()` (output memory starts off)";
        }
        return "refused: " + e.getMessage();
    }
}

std::string reloadRanges(const uint16_t (&minimum)[4], const uint16_t (&maximum)[4]) {
    static const char* const kBases[4] = {"µs", "ms", "s", "custom"};
    std::string text;
    for (int base = 0; base < 4; ++base) {
        text += base == 0 ? "" : " · ";
        text += std::string(kBases[base]) + " ";
        if (minimum[base] == 0 && maximum[base] == 0) {
            text += "—";
        } else {
            text += std::to_string(minimum[base]) + "–" + std::to_string(maximum[base]);
        }
    }
    return text;
}

std::string interruptibleInputs(const Observed& seen) {
    const DigitalInformations& digital = seen.info.functions.digital;
    if (seen.board->interrupt() == nullptr || digital.number_inputs == 0) {
        return "none";
    }
    if (digital.interrupt_mask == 0) {
        return "all (`interrupt_mask` 0)";
    }
    return channelRanges(digital.interrupt_mask) + " (`interrupt_mask` " +
           hex32(digital.interrupt_mask) + ")";
}

std::string channels(unsigned count, unsigned ports, bool portBoard) {
    if (count == 0) {
        return "none";
    }
    std::string text = countWithIds(count);
    if (portBoard && ports > 0) {
        text += ", 8 per port";
    }
    return text;
}

struct Row {
    std::string label;
    std::function<bool(const Observed&)> shown;  // the row exists when any variant shows it
    std::function<std::string(const Observed&)> value;
};

bool hasTimer(const Observed& s) { return s.board->timer() != nullptr; }
bool hasCounter(const Observed& s) { return s.board->counter() != nullptr; }
bool hasWatchdog(const Observed& s) { return s.board->watchdog() != nullptr; }
bool always(const Observed&) { return true; }

std::vector<Row> rows() {
    return {
        {"Device nodes", always, [](const Observed& s) { return "`/dev/" + s.variant->prefix + "*`"; }},
        {"Identifier", always,
         [](const Observed& s) { return "`" + std::string(s.info.general.product_name) + "_<number>`"; }},
        {"`device_type`", always,
         [](const Observed& s) {
             return s.info.general.device_type == VELMOR_DEVICE_PCIE ? std::string("1 (PCI Express)")
                                                                     : std::string("0 (PCI)");
         }},
        {"Capabilities", always, [](const Observed& s) { return capabilities(*s.board); }},
        {"Digital inputs", always,
         [](const Observed& s) {
             const DigitalInformations& d = s.info.functions.digital;
             return channels(d.number_inputs, d.number_of_ports, s.board->digitalIoPorts() != nullptr);
         }},
        {"Digital outputs", always,
         [](const Observed& s) {
             const DigitalInformations& d = s.info.functions.digital;
             return channels(d.number_outputs, d.number_of_ports, s.board->digitalIoPorts() != nullptr);
         }},
        {"Ports (`number_of_ports`)", always,
         [](const Observed& s) {
             const unsigned ports = s.info.functions.digital.number_of_ports;
             return s.board->digitalIoPorts() != nullptr ? countWithIds(ports) : std::to_string(ports);
         }},
        {"Inputs that raise interrupts", always, interruptibleInputs},
        {"Switching an output off on a new board object", always,
         [](const Observed& s) { return s.outputsOff; }},
        {"Timers", hasTimer,
         [](const Observed& s) { return countWithIds(s.info.functions.timer.number_timers); }},
        {"Timer reload per time base", hasTimer,
         [](const Observed& s) {
             const TimerInformations& t = s.info.functions.timer;
             return t.number_timers == 0 ? std::string("—")
                                         : reloadRanges(t.min_reload_value, t.max_reload_value);
         }},
        {"Timer options kept (`valid_options`)", hasTimer,
         [](const Observed& s) { return optionNames(s.info.functions.timer.valid_options); }},
        {"Counters", hasCounter,
         [](const Observed& s) { return countWithIds(s.info.functions.counter.number_counters); }},
        {"Counter reload", hasCounter,
         [](const Observed& s) {
             return "1–" + std::to_string(s.info.functions.counter.max_reload_value);
         }},
        {"Counter options kept (`valid_options`)", hasCounter,
         [](const Observed& s) { return optionNames(s.info.functions.counter.valid_options); }},
        {"Watchdogs", hasWatchdog,
         [](const Observed& s) { return countWithIds(s.info.functions.watchdog.number_watchdogs); }},
        {"Watchdog reload per time base", hasWatchdog,
         [](const Observed& s) {
             const WatchdogInformations& w = s.info.functions.watchdog;
             return w.number_watchdogs == 0 ? std::string("—")
                                            : reloadRanges(w.min_reload_value, w.max_reload_value);
         }},
        {"Watchdog options kept (`valid_options`)", hasWatchdog,
         [](const Observed& s) { return optionNames(s.info.functions.watchdog.valid_options); }},
    };
}

std::vector<Observed> observe(const Model& model) {
    std::vector<Observed> seen;
    for (const Variant& variant : model.variants) {
        Observed one{&variant, boardOf(variant), {}, {}};
        one.info = one.board->getDeviceInformation();
        one.outputsOff = firstSwitchOff(*one.board, one.info);
        seen.push_back(one);
    }
    return seen;
}

// A field of the capability records that the board set otherwise than its default table.
struct Field {
    std::string name;
    std::function<unsigned long(const VelmorDeviceStruct&)> read;
};

std::vector<Field> fields() {
    std::vector<Field> list = {
        {"digital.number_inputs", [](const VelmorDeviceStruct& s) { return s.functions.digital.number_inputs; }},
        {"digital.number_outputs", [](const VelmorDeviceStruct& s) { return s.functions.digital.number_outputs; }},
        {"digital.number_of_ports", [](const VelmorDeviceStruct& s) { return s.functions.digital.number_of_ports; }},
        {"digital.interrupt_mask", [](const VelmorDeviceStruct& s) { return s.functions.digital.interrupt_mask; }},
        {"timer.number_timers", [](const VelmorDeviceStruct& s) { return s.functions.timer.number_timers; }},
        {"timer.valid_options", [](const VelmorDeviceStruct& s) { return s.functions.timer.valid_options; }},
        {"counter.number_counters", [](const VelmorDeviceStruct& s) { return s.functions.counter.number_counters; }},
        {"counter.max_reload_value", [](const VelmorDeviceStruct& s) { return s.functions.counter.max_reload_value; }},
        {"counter.valid_options", [](const VelmorDeviceStruct& s) { return s.functions.counter.valid_options; }},
        {"watchdog.number_watchdogs", [](const VelmorDeviceStruct& s) { return s.functions.watchdog.number_watchdogs; }},
        {"watchdog.valid_options", [](const VelmorDeviceStruct& s) { return s.functions.watchdog.valid_options; }},
        {"general.device_type", [](const VelmorDeviceStruct& s) { return s.general.device_type; }},
    };
    static const char* const kBases[4] = {"MICROSECOND", "MILLISECOND", "SECOND", "CUSTOM"};
    for (int base = 0; base < 4; ++base) {
        const std::string suffix = std::string("[") + kBases[base] + "]";
        list.push_back({"timer.min_reload_value" + suffix, [base](const VelmorDeviceStruct& s) {
                            return static_cast<unsigned long>(s.functions.timer.min_reload_value[base]);
                        }});
        list.push_back({"timer.max_reload_value" + suffix, [base](const VelmorDeviceStruct& s) {
                            return static_cast<unsigned long>(s.functions.timer.max_reload_value[base]);
                        }});
        list.push_back({"watchdog.min_reload_value" + suffix, [base](const VelmorDeviceStruct& s) {
                            return static_cast<unsigned long>(s.functions.watchdog.min_reload_value[base]);
                        }});
        list.push_back({"watchdog.max_reload_value" + suffix, [base](const VelmorDeviceStruct& s) {
                            return static_cast<unsigned long>(s.functions.watchdog.max_reload_value[base]);
                        }});
    }
    return list;
}

std::string differences(const Model& model, const std::vector<Observed>& seen) {
    std::string text;
    for (const Observed& one : seen) {
        std::string changed;
        for (const Field& field : fields()) {
            const unsigned long table = field.read(*model.defaults);
            const unsigned long board = field.read(one.info);
            if (table != board) {
                changed += (changed.empty() ? "" : ", ") + std::string("`") + field.name + "` " +
                           std::to_string(board) + " (table " + std::to_string(table) + ")";
            }
        }
        if (!changed.empty()) {
            text += "- `" + one.variant->prefix + "`: " + changed + ".\n";
        }
    }
    return text.empty() ? "- none: every variant keeps the table's values.\n" : text;
}

}  // namespace

std::string factsTable(const Model& model) {
    const std::vector<Observed> seen = observe(model);
    std::string text = "|";
    for (const Observed& one : seen) {
        text += " | `" + one.variant->prefix + "` (" + one.variant->bus + ")";
    }
    text += " |\n|---";
    for (size_t i = 0; i < seen.size(); ++i) {
        text += "|---";
    }
    text += "|\n";
    for (const Row& row : rows()) {
        bool shown = false;
        for (const Observed& one : seen) {
            shown = shown || row.shown(one);
        }
        if (!shown) {
            continue;
        }
        text += "| " + row.label;
        for (const Observed& one : seen) {
            text += " | " + cell(row.shown(one) ? row.value(one) : "—");
        }
        text += " |\n";
    }
    text += "\nWhere the boards differ from the default table `" + model.tableName +
            "` (the library starts each board from it and sets these from the driver's "
            "information):\n\n" +
            differences(model, seen);
    return text;
}

std::string modelsOverview() {
    std::string text =
        "| Model | Device nodes | Inputs | Outputs | Ports | Timers | Counters | Watchdogs | "
        "Inputs that raise interrupts |\n|---|---|---|---|---|---|---|---|---|\n";
    for (const Model& model : models()) {
        const std::vector<Observed> seen = observe(model);
        const auto column = [&seen](const std::function<std::string(const Observed&)>& value) {
            std::string first = value(seen.front());
            bool same = true;
            for (const Observed& one : seen) {
                same = same && value(one) == first;
            }
            if (same) {
                return first;
            }
            std::string text;
            for (const Observed& one : seen) {
                text += (text.empty() ? "" : ", ") + value(one) + " (`" + one.variant->prefix + "`)";
            }
            return text;
        };
        std::string nodes;
        for (const Observed& one : seen) {
            nodes += (nodes.empty() ? "" : ", ") + std::string("`") + one.variant->prefix + "`";
        }
        const auto number = [](unsigned value) { return std::to_string(value); };
        text += "| [" + model.className + "](#" + model.key + ") | " + nodes + " | " +
                column([&](const Observed& s) { return number(s.info.functions.digital.number_inputs); }) + " | " +
                column([&](const Observed& s) { return number(s.info.functions.digital.number_outputs); }) + " | " +
                column([&](const Observed& s) { return number(s.info.functions.digital.number_of_ports); }) + " | " +
                column([&](const Observed& s) {
                    return number(s.board->timer() ? s.info.functions.timer.number_timers : 0);
                }) + " | " +
                column([&](const Observed& s) {
                    return number(s.board->counter() ? s.info.functions.counter.number_counters : 0);
                }) + " | " +
                column([&](const Observed& s) {
                    return number(s.board->watchdog() ? s.info.functions.watchdog.number_watchdogs : 0);
                }) + " | " +
                column([&](const Observed& s) {
                    const DigitalInformations& d = s.info.functions.digital;
                    if (s.board->interrupt() == nullptr || d.number_inputs == 0) {
                        return std::string("none");
                    }
                    return d.interrupt_mask == 0 ? std::string("all") : channelRanges(d.interrupt_mask);
                }) + " |\n";
    }
    return text;
}

}  // namespace docgen
