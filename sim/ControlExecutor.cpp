// Control commands carried out on the simulator.
#include "ControlExecutor.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "SimDuration.h"

namespace corvane_sim {
namespace {

using json = nlohmann::ordered_json;

std::string hex32(uint32_t v) {
    char b[16];
    std::snprintf(b, sizeof b, "0x%08x", v);
    return b;
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::vector<std::string> boardNames() {
    std::vector<std::string> names;
    const int count = corvane_sim_board_count();
    for (int i = 0; i < count; ++i) {
        char node[64] = {0};
        if (corvane_sim_board_node(i, node, sizeof node) == 0) names.push_back(node);
    }
    return names;
}

bool boardState(const std::string& node, corvane_sim_board_state& state) {
    return corvane_sim_get_state(node.c_str(), &state) == 0;
}

uint32_t channelMask(unsigned count) {
    return count >= 32 ? 0xFFFFFFFFu : ((1u << count) - 1u);
}

std::string fixedText(const char* field, size_t size) {
    return std::string(field, strnlen(field, size));
}

json unitJson(unsigned index, const corvane_sim_unit_state& u) {
    return {
        {"index", index},
        {"configured", u.configured != 0},
        {"timebase", u.config.timebase},
        {"mode", u.config.mode},
        {"reload_value", u.config.reload_value},
        {"options", u.config.options},
        {"running", u.running != 0},
        {"start_interrupt", u.start_interrupt},
        {"starts", u.starts},
        {"stops", u.stops},
        {"triggers", u.triggers},
        {"value", u.value},
        {"status", {u.status[0], u.status[1], u.status[2]}},
        {"role", u.role == CORVANE_SIM_UNIT_TIMER      ? "timer"
                 : u.role == CORVANE_SIM_UNIT_COUNTER  ? "counter"
                 : u.role == CORVANE_SIM_UNIT_WATCHDOG ? "watchdog"
                                                       : "none"},
        {"expiries", u.expiries},
        {"pinned", {{"value", (u.pinned & 1) != 0}, {"status", (u.pinned & 2) != 0}}},
        {"next_event_ns", u.next_event_ns == UINT64_MAX ? json(nullptr) : json(u.next_event_ns)},
    };
}

json stateJson(const corvane_sim_board_state& s) {
    json portInputs = json::array();
    json portOutputs = json::array();
    for (unsigned p = 0; p < s.number_of_ports && p < CORVANE_SIM_MAX_PORTS; ++p) {
        portInputs.push_back(s.inputs[p]);
        portOutputs.push_back(s.outputs[p]);
    }
    json units = json::array();
    for (unsigned i = 0; i < s.number_of_units && i < CORVANE_SIM_MAX_UNITS; ++i)
        units.push_back(unitJson(i, s.units[i]));
    return {
        {"board", s.node},
        {"model", s.prefix},
        {"input_count", s.number_of_inputs},
        {"output_count", s.number_of_outputs},
        {"ports", s.number_of_ports},
        {"inputs", s.input_word},
        {"outputs", s.output_word},
        {"port_inputs", portInputs},
        {"port_outputs", portOutputs},
        {"output_memory", s.output_memory},
        {"port_directions", s.port_directions},
        {"interrupts_enabled", s.interrupts_enabled != 0},
        {"digital_interrupt",
         {{"configured", s.digital_interrupt_configured != 0},
          {"started", s.digital_interrupt_started},
          {"logic_and", s.digital_interrupt.logic_and},
          {"first_mask", s.digital_interrupt.first_mask},
          {"second_mask", s.digital_interrupt.second_mask}}},
        {"output_interrupt",
         {{"set", s.output_interrupt_set != 0}, {"first", s.output_interrupt[0]}, {"second", s.output_interrupt[1]}}},
        {"custom_frequency", s.custom_frequency_set ? json(s.custom_frequency) : json(nullptr)},
        {"last_unit", s.last_unit},
        {"units", units},
        {"pending_interrupts", s.pending_interrupts},
        {"dropped_interrupts", s.dropped_interrupts},
        {"open_descriptors", s.open_descriptors},
        {"directory", s.directory != 0},
        {"last_error",
         {{"driver_name", fixedText(s.last_error.driver_name, sizeof s.last_error.driver_name)},
          {"device_index", s.last_error.device_index},
          {"function_name", fixedText(s.last_error.function_name, sizeof s.last_error.function_name)},
          {"error_code", s.last_error.error_code},
          {"message", fixedText(s.last_error.message, sizeof s.last_error.message)}}},
    };
}

std::string portBytes(const uint8_t* bytes, unsigned ports) {
    std::string text;
    for (unsigned p = 0; p < ports && p < CORVANE_SIM_MAX_PORTS; ++p) {
        char b[4];
        std::snprintf(b, sizeof b, "%02x", bytes[p]);
        if (!text.empty()) text += ',';
        text += b;
    }
    return text;
}

std::string stateText(const corvane_sim_board_state& s) {
    std::string t = std::string(s.node) + " model=" + s.prefix;
    if (s.number_of_inputs > 32 || s.number_of_outputs > 32) {
        t += " port-inputs=" + portBytes(s.inputs, s.number_of_ports);
        t += " port-outputs=" + portBytes(s.outputs, s.number_of_ports);
    } else {
        t += " inputs=" + hex32(s.input_word) + " outputs=" + hex32(s.output_word);
    }
    t += " input-count=" + std::to_string(s.number_of_inputs);
    t += " output-count=" + std::to_string(s.number_of_outputs);
    t += " ports=" + std::to_string(s.number_of_ports);
    char dir[16];
    std::snprintf(dir, sizeof dir, "0x%x", s.port_directions);
    t += std::string(" directions=") + dir;
    t += std::string(" interrupts=") + (s.interrupts_enabled ? "enabled" : "disabled");
    const char* input = "none";
    if (s.digital_interrupt_started == 1) {
        input = "started";
    } else if (s.digital_interrupt_started == 0) {
        input = "stopped";
    } else if (s.digital_interrupt_configured) {
        input = "configured";
    }
    t += std::string(" input-interrupt=") + input;
    std::string running;
    for (unsigned i = 0; i < s.number_of_units && i < CORVANE_SIM_MAX_UNITS; ++i) {
        if (!s.units[i].running) continue;
        if (!running.empty()) running += ',';
        running += std::to_string(i);
    }
    t += " units=" + std::to_string(s.number_of_units) + " running=" + (running.empty() ? "-" : running);
    t += " pending=" + std::to_string(s.pending_interrupts);
    t += " dropped=" + std::to_string(s.dropped_interrupts);
    t += " open=" + std::to_string(s.open_descriptors);
    return t;
}

// The clock and its time, as the replies of clock and advance give them.
void clockReply(ControlReply& reply) {
    const bool virtualClock = corvane_sim_get_clock() == CORVANE_SIM_CLOCK_VIRTUAL;
    const uint64_t now = corvane_sim_now_ns();
    reply.text = std::string(virtualClock ? "virtual" : "real") + " now=" + formatDuration(now);
    reply.data["clock"] = virtualClock ? "virtual" : "real";
    reply.data["now_ns"] = now;
}

}  // namespace

bool ControlExecutor::validate(const ControlCommand& cmd, ParseError& error) const {
    const bool needsBoard = cmd.verb == ControlVerb::State || cmd.verb == ControlVerb::SetInputs ||
                            cmd.verb == ControlVerb::SetInput || cmd.verb == ControlVerb::SetPort ||
                            cmd.verb == ControlVerb::Interrupt || (cmd.verb == ControlVerb::Fail && !cmd.board.empty());
    corvane_sim_board_state s{};
    if (needsBoard && !boardState(cmd.board, s)) {
        std::string list;
        for (const auto& n : boardNames()) list += (list.empty() ? "" : ", ") + n;
        error = errorAt(cmd, 0, "no board " + quoted(cmd.board) + " (boards: " + (list.empty() ? "none" : list) + ")");
        return false;
    }
    const std::string board = cmd.board;
    const std::string inputs = std::to_string(s.number_of_inputs);
    const bool setsInputs =
        cmd.verb == ControlVerb::SetInputs || cmd.verb == ControlVerb::SetInput || cmd.verb == ControlVerb::SetPort;
    if (setsInputs && s.number_of_inputs == 0) {
        error = errorAt(cmd, 0, board + " has no inputs");
        return false;
    }
    switch (cmd.verb) {
    case ControlVerb::SetInputs:
        if ((cmd.value & ~channelMask(s.number_of_inputs)) != 0) {
            error =
                errorAt(cmd, 1, "inputs " + hex32(cmd.value) + " reach beyond the " + inputs + " inputs of " + board);
            return false;
        }
        return true;
    case ControlVerb::SetInput:
        if (cmd.channel >= s.number_of_inputs) {
            error = errorAt(
                cmd, 1, "channel must be below " + inputs + " on " + board + ", got " + std::to_string(cmd.channel));
            return false;
        }
        return true;
    case ControlVerb::SetPort:
        if (cmd.port >= s.number_of_ports) {
            error = errorAt(cmd, 1,
                            "port must be below " + std::to_string(s.number_of_ports) + " on " + board + ", got " +
                                std::to_string(cmd.port));
            return false;
        }
        return true;
    default:
        return true;
    }
}

ControlReply ControlExecutor::execute(const ControlCommand& cmd) {
    ParseError error;
    if (!validate(cmd, error)) return ControlReply::failure(error);
    ControlReply reply;
    if (cmd.checkOnly) return reply;
    const char* board = cmd.board.c_str();
    auto systemFailure = [&](size_t arg, const std::string& what) {
        return ControlReply::failure(errorAt(cmd, arg, what + ": " + std::strerror(errno)));
    };
    switch (cmd.verb) {
    case ControlVerb::Boards: {
        json list = json::array();
        for (const auto& n : boardNames()) {
            corvane_sim_board_state s{};
            if (!boardState(n, s)) continue;
            reply.text += (reply.text.empty() ? "" : " ") + n;
            list.push_back({{"board", n},
                            {"model", s.prefix},
                            {"input_count", s.number_of_inputs},
                            {"output_count", s.number_of_outputs},
                            {"ports", s.number_of_ports},
                            {"units", s.number_of_units},
                            {"open_descriptors", s.open_descriptors},
                            {"pending_interrupts", s.pending_interrupts}});
        }
        reply.data["boards"] = list;
        return reply;
    }
    case ControlVerb::State: {
        corvane_sim_board_state s{};
        if (!boardState(cmd.board, s)) return systemFailure(0, "cannot read the state");
        reply.text = stateText(s);
        reply.data["state"] = stateJson(s);
        return reply;
    }
    case ControlVerb::SetInputs:
        if (corvane_sim_set_inputs(board, cmd.value) != 0) return systemFailure(1, "cannot set the inputs");
        return reply;
    case ControlVerb::SetInput:
        if (corvane_sim_set_input(board, cmd.channel, static_cast<int>(cmd.value)) != 0) {
            return systemFailure(1, "cannot set the input");
        }
        return reply;
    case ControlVerb::Advance:
        if (corvane_sim_advance_ns(cmd.durationNs) != 0) {
            if (errno == EINVAL) {
                return ControlReply::failure(
                    errorAt(cmd, kCommandWord, "the clock is real: advance moves the virtual clock (clock virtual)"));
            }
            if (errno == EOVERFLOW) {
                return ControlReply::failure(
                    errorAt(cmd, 0, "the time would pass the clock's end (2^64 - 1 ns); nothing moved"));
            }
            return systemFailure(0, "cannot advance the clock");
        }
        clockReply(reply);
        return reply;
    case ControlVerb::Clock:
        if (cmd.clock >= 0 && corvane_sim_set_clock(cmd.clock) != 0) return systemFailure(0, "cannot select the clock");
        clockReply(reply);
        return reply;
    case ControlVerb::SetPort:
        if (corvane_sim_set_port_inputs(board, cmd.port, static_cast<uint8_t>(cmd.value)) != 0) {
            return systemFailure(2, "cannot set the port");
        }
        return reply;
    case ControlVerb::Interrupt: {
        InterruptData d;
        std::memset(&d, 0, sizeof d);
        d.interrupt_source = cmd.source;
        d.interrupt_mask = cmd.mask;
        d.args_count = static_cast<uint32_t>(cmd.args.size());
        for (size_t i = 0; i < cmd.args.size() && i < kMaxInterruptArgs; ++i) d.args[i] = cmd.args[i];
        const int pending = corvane_sim_queue_interrupt(board, &d);
        if (pending < 0) {
            if (errno == ENOSPC) {
                return ControlReply::failure(errorAt(cmd, kCommandWord,
                                                     "the interrupt queue of " + cmd.board + " is full (" +
                                                         std::to_string(CORVANE_SIM_INTERRUPT_QUEUE_SIZE) +
                                                         " interrupts); the interrupt is dropped"));
            }
            return systemFailure(0, "cannot queue the interrupt");
        }
        reply.text = "pending=" + std::to_string(pending);
        reply.data["pending_interrupts"] = pending;
        return reply;
    }
    case ControlVerb::Fail:
        if (corvane_sim_fail(cmd.board.empty() ? nullptr : board, cmd.command, -1, cmd.error, cmd.times, nullptr) !=
            0) {
            return systemFailure(0, "cannot add the failure");
        }
        return reply;
    case ControlVerb::ClearFailures:
        corvane_sim_clear_failures();
        return reply;
    case ControlVerb::Stop:
        stop_ = true;
        reply.text = "stopping";
        reply.data["stopping"] = true;
        return reply;
    case ControlVerb::Trace:
        return ControlReply::failure(errorAt(cmd, kCommandWord, "trace streams to a connection; it cannot run here"));
    default:
        return ControlReply::failure(errorAt(cmd, kCommandWord, cmd.name() + " is not available"));
    }
}

}  // namespace corvane_sim
