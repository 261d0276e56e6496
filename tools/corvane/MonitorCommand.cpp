// corvane monitor BOARD: enables the board's interrupts (and the input events asked
// for) and prints one line per interrupt until SIGINT or SIGTERM, a number of
// interrupts or a timeout; then disables them again.
#include <corvane/CorvaneException.h>
#include <corvane/DigitalIOInterface.h>
#include <corvane/InterruptImpl.h>
#include <corvane/InterruptInterface.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <set>
#include <string>

#include "Boards.h"
#include "CommandTable.h"
#include "Commands.h"
#include "InterruptQueue.h"
#include "Names.h"
#include "Numbers.h"
#include "Output.h"
#include "SignalPipe.h"
#include "Text.h"
#include "ToolErrors.h"

using velmor::corvane::Device;
using velmor::corvane::DigitalIOInterface;
using velmor::corvane::InterruptImpl;
using velmor::corvane::InterruptInterface;

namespace corvane_tool {

namespace {

// How often the wait looks whether the library's interrupt thread still runs (it ends
// after a driver failure, which would otherwise leave the monitor waiting for ever).
constexpr int kHealthCheckMs = 250;

struct MonitorArgs {
    std::string board;
    std::string inputs;
    std::string event;
    std::string logic;
    std::string count;
    std::string timeout;
    std::string tests;
};

struct MonitorPlan {
    bool inputs = false;
    uint32_t mask = 0;
    DIGITAL_EVENT_TYPE event = UNUSED;
    bool logicGiven = false;
    DIGITAL_EVENT_LOGIC logic = OR;
    uint64_t count = 0;      // 0: no limit
    uint64_t timeoutMs = 0;  // 0: none
    uint64_t tests = 0;
};

MonitorPlan planOf(const MonitorArgs& args) {
    MonitorPlan plan;
    if (!args.inputs.empty()) {
        plan.inputs = true;
        plan.mask = static_cast<uint32_t>(parseNumber(args.inputs, 32, "input mask"));
        plan.event = parseEvent(args.event);
    }
    if (!args.logic.empty()) {
        plan.logicGiven = true;
        plan.logic = parseLogic(args.logic);
    }
    if (!args.count.empty()) {
        plan.count = parseNumber(args.count, 32, "count");
        if (plan.count == 0) throw UsageError("count \"" + args.count + "\" must be at least 1");
    }
    if (!args.timeout.empty()) plan.timeoutMs = parseDurationMs(args.timeout, "timeout");
    if (!args.tests.empty()) plan.tests = parseNumber(args.tests, 16, "test interrupt count");
    return plan;
}

// The ports whose channels the mask names: ports hold number_inputs / number_of_ports
// channels each (one port for a board that reports no port split).
std::set<uint8_t> portsOf(uint32_t mask, const VelmorDeviceStruct& info) {
    const unsigned inputs = info.functions.digital.number_inputs;
    const unsigned ports = info.functions.digital.number_of_ports;
    const unsigned perPort = (ports == 0 || inputs < ports) ? 32 : inputs / ports;
    std::set<uint8_t> touched;
    for (unsigned channel = 0; channel < 32; ++channel) {
        if ((mask >> channel) & 1u) touched.insert(static_cast<uint8_t>(channel / perPort));
    }
    return touched;
}

// Disables the board's interrupts on every way out (the library's disable never
// throws) and leaves a callback behind that holds nothing of this command.
class DisableOnExit {
public:
    explicit DisableOnExit(InterruptInterface& interrupts) : interrupts_(interrupts) {}
    ~DisableOnExit() {
        interrupts_.disableDeviceInterrupts();
        try {
            interrupts_.setDeviceInterruptCallback([](const VelmorDeviceStruct&, const InterruptData&) {});
        } catch (...) {
        }
    }
    DisableOnExit(const DisableOnExit&) = delete;
    DisableOnExit& operator=(const DisableOnExit&) = delete;

private:
    InterruptInterface& interrupts_;
};

void writeLine(Context& context, const ReceivedInterrupt& item) {
    if (context.json) {
        writeJsonLine(context.out,
                      {{"time_us", item.timeUs}, {"source", item.source}, {"mask", item.mask}, {"args", item.args}});
    } else {
        std::string line = std::to_string(item.timeUs) + " source=" + hexText(item.source, 8) +
                           " mask=" + hexText(item.mask, 8);
        for (size_t i = 0; i < item.args.size(); ++i) line += (i == 0 ? " args=" : ",") + hexText(item.args[i], 8);
        context.out << line << "\n";
    }
    context.out.flush();
    if (!context.out) throw CommandFailure("cannot write the output; monitor stopped");
}

void runMonitor(const MonitorArgs& args, Context& context) {
    const MonitorPlan plan = planOf(args);
    std::shared_ptr<Device> board = findBoard(args.board);
    InterruptInterface& interrupts = need(board->interrupt(), args.board, "interrupts");
    DigitalIOInterface* digital = nullptr;
    if (plan.inputs) digital = &need(board->digitalIo(), args.board, "digital-io");
    InterruptImpl* engine = nullptr;
    if (plan.tests > 0) engine = &need(dynamic_cast<InterruptImpl*>(board.get()), args.board, "test interrupts");

    SignalPipe signals;
    auto queue = std::make_shared<InterruptQueue>();
    interrupts.setDeviceInterruptCallback(
        [queue](const VelmorDeviceStruct&, const InterruptData& data) { queue->push(data); });
    DisableOnExit disable(interrupts);

    if (plan.inputs) {
        if (plan.logicGiven) {
            for (uint8_t port : portsOf(plan.mask, board->getDeviceInformation())) {
                digital->setInterruptLogicForPort(port, plan.logic);
            }
        }
        digital->setInterruptEventForInputs(plan.mask, plan.event);
    }
    interrupts.enableDeviceInterrupts();
    if (plan.inputs) digital->enableDigitalInterrupt();
    for (uint64_t i = 0; i < plan.tests; ++i) engine->testInterrupt();

    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(plan.timeoutMs);
    uint64_t printed = 0;
    while (true) {
        int waitMs = kHealthCheckMs;
        if (plan.timeoutMs > 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) return;
            waitMs = static_cast<int>(std::min<long long>(waitMs, left));
        }
        pollfd fds[2] = {{signals.fd(), POLLIN, 0}, {queue->fd(), POLLIN, 0}};
        if (poll(fds, 2, waitMs) < 0 && errno != EINTR) {
            throw CommandFailure(std::string("waiting for interrupts failed: ") + std::strerror(errno));
        }
        // Interrupts that arrived before a stop request are still printed.
        uint64_t dropped = 0;
        for (const ReceivedInterrupt& item : queue->takeAll(dropped)) {
            writeLine(context, item);
            if (plan.count > 0 && ++printed >= plan.count) return;
        }
        if (dropped > 0) {
            context.err << "corvane: " << dropped << " interrupts dropped: the output is too slow\n";
            context.err.flush();
        }
        if (signals.take() != 0) return;
        if (!interrupts.isInterruptActive()) {
            throw CommandFailure("interrupt delivery stopped: " + CorvaneException::getVelmorLastError());
        }
    }
}

}  // namespace

void addMonitorCommands(CommandTable& table) {
    auto args = std::make_shared<MonitorArgs>();
    CLI::App* monitor = table.add(
        table.root(), "monitor", "Print one line per interrupt until stopped",
        {"corvane monitor BOARD [--inputs MASK --event EVENT [--logic or|and]] [--count N] [--timeout DURATION] "
         "[--test-interrupts N]"},
        [args](Context& context) { runMonitor(*args, context); });
    table.details(monitor,
                  "Enables the board's interrupts (and with --inputs and --event the input events), then\n"
                  "prints for each interrupt its monotonic time stamp in microseconds, source and mask,\n"
                  "one flushed line each (JSON Lines with --json). SIGINT, SIGTERM, --count or --timeout\n"
                  "end it: interrupts are disabled again and the exit status is 0.");
    positional(*monitor, "BOARD", args->board, "Board identifier")->required();
    CLI::Option* inputs =
        monitor->add_option("--inputs", args->inputs, "Input channels (bit n = input n) that raise interrupts")
            ->type_name("MASK");
    CLI::Option* event =
        monitor->add_option("--event", args->event, "Input event: rising, falling, any-edge, high or low")
            ->type_name("EVENT");
    CLI::Option* logic =
        monitor->add_option("--logic", args->logic, "How the inputs of a port combine: or, and")->type_name("or|and");
    inputs->needs(event);
    event->needs(inputs);
    logic->needs(inputs);
    monitor->add_option("--count", args->count, "End after N interrupts")->type_name("N");
    monitor->add_option("--timeout", args->timeout, "End after DURATION: a whole number with ms, s (default), m or h")
        ->type_name("DURATION");
    monitor->add_option("--test-interrupts", args->tests,
                        "Once enabled, ask the driver for N test interrupts (checks the path end to end)")
        ->type_name("N");
}

}  // namespace corvane_tool
