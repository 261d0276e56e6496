// corvane timer|counter|watchdog BOARD ACTION UNIT ...: the timer, counter and watchdog
// units of a board, each action one library operation.
#include <corvane/CounterInterface.h>
#include <corvane/TimerInterface.h>
#include <corvane/WatchdogInterface.h>

#include <memory>
#include <string>
#include <vector>

#include "Boards.h"
#include "CommandTable.h"
#include "Commands.h"
#include "Names.h"
#include "Numbers.h"
#include "Output.h"
#include "Text.h"

using velmor::corvane::CounterInterface;
using velmor::corvane::Device;
using velmor::corvane::TimerInterface;
using velmor::corvane::WatchdogInterface;

namespace corvane_tool {

namespace {

enum class Kind { Timer, Counter, Watchdog };

constexpr unsigned kUnitBits = 8;
constexpr unsigned kFrequencyBits = 32;

struct UnitArgs {
    Kind kind = Kind::Timer;
    std::string board;
    std::string unit;
    std::string timebase;
    std::string reload;
    std::string options;
    std::string frequency;
    bool interrupt = false;
};

const char* nameOf(Kind kind) {
    switch (kind) {
        case Kind::Timer:
            return "timer";
        case Kind::Counter:
            return "counter";
        case Kind::Watchdog:
            break;
    }
    return "watchdog";
}

// Timers and watchdogs take a 16-bit reload value, counters a 32-bit one.
unsigned reloadBits(Kind kind) { return kind == Kind::Counter ? 32 : 16; }

uint8_t unitOf(const UnitArgs& args) {
    return static_cast<uint8_t>(parseNumber(args.unit, kUnitBits, nameOf(args.kind)));
}

// The board's capability for this kind, or the library's refusal.
struct Units {
    std::shared_ptr<Device> board;
    TimerInterface* timer = nullptr;
    CounterInterface* counter = nullptr;
    WatchdogInterface* watchdog = nullptr;
};

Units unitsOf(const UnitArgs& args) {
    Units u;
    u.board = findBoard(args.board);
    switch (args.kind) {
        case Kind::Timer:
            u.timer = &need(u.board->timer(), args.board, "timer");
            break;
        case Kind::Counter:
            u.counter = &need(u.board->counter(), args.board, "counter");
            break;
        case Kind::Watchdog:
            u.watchdog = &need(u.board->watchdog(), args.board, "watchdog");
            break;
    }
    return u;
}

// With --json, an action that prints nothing in text says what it did, so that a script
// always reads one JSON document.
void writeDone(const UnitArgs& args, uint8_t unit, const char* action, Context& context) {
    if (context.json) writeJson(context.out, {{"board", args.board}, {nameOf(args.kind), unit}, {"done", action}});
}

void runInit(const UnitArgs& args, Context& context) {
    const uint8_t unit = unitOf(args);
    TIMEBASE_UNITS timebase = MICROSECOND;
    if (args.kind != Kind::Counter) timebase = parseTimebase(args.timebase);
    const uint64_t reload = parseNumber(args.reload, reloadBits(args.kind), "reload value");
    const uint32_t options = args.options.empty() ? 0 : parseOptions(args.options);
    Units u = unitsOf(args);
    switch (args.kind) {
        case Kind::Timer:
            u.timer->initTimer(unit, timebase, static_cast<uint16_t>(reload), options);
            break;
        case Kind::Counter:
            u.counter->initCounter(unit, static_cast<uint32_t>(reload), options);
            break;
        case Kind::Watchdog:
            u.watchdog->initWatchdog(unit, timebase, static_cast<uint16_t>(reload), options);
            break;
    }
    writeDone(args, unit, "init", context);
}

void runFrequency(const UnitArgs& args, Context& context) {
    const auto frequency = static_cast<uint32_t>(parseNumber(args.frequency, kFrequencyBits, "frequency"));
    unitsOf(args).timer->setCustomTimerFrequency(frequency);
    if (context.json) writeJson(context.out, {{"board", args.board}, {"frequency", frequency}});
}

enum class Step { Start, Stop, Trigger };

const char* nameOf(Step step) {
    switch (step) {
        case Step::Start:
            return "start";
        case Step::Stop:
            return "stop";
        case Step::Trigger:
            break;
    }
    return "trigger";
}

void runStep(const UnitArgs& args, Step step, Context& context) {
    const uint8_t unit = unitOf(args);
    Units u = unitsOf(args);
    switch (args.kind) {
        case Kind::Timer:
            if (step == Step::Start && args.interrupt) u.timer->enableTimerInterrupt(unit);
            if (step == Step::Start) u.timer->startTimer(unit);
            if (step == Step::Stop) u.timer->stopTimer(unit);
            if (step == Step::Trigger) u.timer->triggerTimer(unit);
            break;
        case Kind::Counter:
            if (step == Step::Start && args.interrupt) u.counter->enableCounterInterrupt(unit);
            if (step == Step::Start) u.counter->startCounter(unit);
            if (step == Step::Stop) u.counter->stopCounter(unit);
            break;
        case Kind::Watchdog:
            if (step == Step::Start && args.interrupt) u.watchdog->enableWatchdogInterrupt(unit);
            if (step == Step::Start) u.watchdog->startWatchdog(unit);
            if (step == Step::Stop) u.watchdog->stopWatchdog(unit);
            if (step == Step::Trigger) u.watchdog->triggerWatchdog(unit);
            break;
    }
    writeDone(args, unit, nameOf(step), context);
}

void runRead(const UnitArgs& args, Context& context) {
    const uint8_t unit = unitOf(args);
    Units u = unitsOf(args);
    uint32_t value = 0;
    switch (args.kind) {
        case Kind::Timer:
            value = u.timer->readTimerValue(unit);
            break;
        case Kind::Counter:
            value = u.counter->readCounterValue(unit);
            break;
        case Kind::Watchdog:
            value = u.watchdog->readWatchdogValue(unit);
            break;
    }
    if (context.json) {
        writeJson(context.out, {{"board", args.board}, {nameOf(args.kind), unit}, {"value", value}});
    } else {
        context.out << value << "\n";
    }
}

void runStatus(const UnitArgs& args, Context& context) {
    const uint8_t unit = unitOf(args);
    Units u = unitsOf(args);
    uint32_t value = 0;
    uint8_t s1 = 0;
    uint8_t s2 = 0;
    uint8_t s3 = 0;
    switch (args.kind) {
        case Kind::Timer:
            u.timer->readTimerStatus(unit, value, s1, s2, s3);
            break;
        case Kind::Counter:
            u.counter->readCounterStatus(unit, value, s1, s2, s3);
            break;
        case Kind::Watchdog:
            u.watchdog->readWatchdogStatus(unit, value, s1, s2, s3);
            break;
    }
    if (context.json) {
        writeJson(context.out, {{"board", args.board},
                                {nameOf(args.kind), unit},
                                {"value", value},
                                {"status", {s1, s2, s3}}});
    } else {
        context.out << "value " << value << " status " << hexText(s1, 2) << " " << hexText(s2, 2) << " "
                    << hexText(s3, 2) << "\n";
    }
}

void addKind(CommandTable& table, Kind kind, const std::string& description) {
    auto args = std::make_shared<UnitArgs>();
    args->kind = kind;
    const std::string name = nameOf(kind);
    const std::string prefix = "corvane " + name + " BOARD ";
    const bool timebase = kind != Kind::Counter;
    const bool trigger = kind != Kind::Counter;
    const std::string initUsage =
        prefix + "init UNIT " + (timebase ? "TIMEBASE " : "") + "RELOAD [OPTIONS]";

    std::vector<std::string> usage{initUsage};
    if (kind == Kind::Timer) usage.push_back(prefix + "frequency HERTZ");
    usage.push_back(prefix + "start UNIT [--interrupt]");
    usage.push_back(prefix + "stop UNIT");
    if (trigger) usage.push_back(prefix + "trigger UNIT");
    usage.push_back(prefix + "read UNIT");
    usage.push_back(prefix + "status UNIT");
    CLI::App* family = table.add(table.root(), name, description, usage);
    family->require_subcommand(1);
    positional(*family, "BOARD", args->board, "Board identifier")->required();
    const std::string unitHelp = "The board's " + name + " number";

    CLI::App* init = table.add(*family, "init",
                               "Set up a " + name + " (the arguments of the library's init" +
                                   (kind == Kind::Timer ? "Timer" : kind == Kind::Counter ? "Counter" : "Watchdog") +
                                   ")",
                               {initUsage}, [args](Context& context) { runInit(*args, context); });
    positional(*init, "UNIT", args->unit, unitHelp)->required();
    if (timebase) positional(*init, "TIMEBASE", args->timebase, "Time base: us, ms, s or custom")->required();
    positional(*init, "RELOAD", args->reload,
               kind == Kind::Counter ? "Reload value, 32 bits" : "Reload value in the time base, 16 bits")
        ->required();
    positional(*init, "OPTIONS", args->options,
               "Options combined with commas: up, single-cycle, external-trigger, gate, rising, falling, both "
               "(the board keeps those it supports)");

    if (kind == Kind::Timer) {
        CLI::App* frequency = table.add(*family, "frequency", "Set the clock of the custom time base",
                                        {prefix + "frequency HERTZ"},
                                        [args](Context& context) { runFrequency(*args, context); });
        positional(*frequency, "HERTZ", args->frequency, "Frequency, 32 bits")->required();
    }

    CLI::App* start = table.add(*family, "start", "Start a " + name, {prefix + "start UNIT [--interrupt]"},
                                [args](Context& context) { runStep(*args, Step::Start, context); });
    positional(*start, "UNIT", args->unit, unitHelp)->required();
    start->add_flag("--interrupt", args->interrupt, "Enable the " + name + "'s interrupt before starting it");

    CLI::App* stop = table.add(*family, "stop", "Stop a " + name, {prefix + "stop UNIT"},
                               [args](Context& context) { runStep(*args, Step::Stop, context); });
    positional(*stop, "UNIT", args->unit, unitHelp)->required();

    if (trigger) {
        CLI::App* triggerCommand = table.add(*family, "trigger", "Trigger a " + name, {prefix + "trigger UNIT"},
                                             [args](Context& context) { runStep(*args, Step::Trigger, context); });
        positional(*triggerCommand, "UNIT", args->unit, unitHelp)->required();
    }

    CLI::App* read = table.add(*family, "read", "Read a " + name + "'s value, in decimal", {prefix + "read UNIT"},
                               [args](Context& context) { runRead(*args, context); });
    positional(*read, "UNIT", args->unit, unitHelp)->required();

    CLI::App* status = table.add(*family, "status", "Read a " + name + "'s value and its three status bytes",
                                 {prefix + "status UNIT"}, [args](Context& context) { runStatus(*args, context); });
    positional(*status, "UNIT", args->unit, unitHelp)->required();
}

}  // namespace

void addUnitCommands(CommandTable& table) {
    addKind(table, Kind::Timer, "Set up, start, stop, trigger and read the timers of a board");
    addKind(table, Kind::Counter, "Set up, start, stop and read the counters of a board");
    addKind(table, Kind::Watchdog, "Set up, start, stop, trigger and read the watchdog of a board");
}

}  // namespace corvane_tool
