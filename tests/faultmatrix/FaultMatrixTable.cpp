#include "FaultMatrixTable.h"

#include <corvane/IoctlCommands.h>

namespace fault_matrix {

namespace {

using namespace velmor::corvane;

constexpr uint32_t kDriverFailure = 0x86000F08u;

const char* const kE6100 = "keloe6100_0";
const char* const k3100 = "kelo3100_0";
const char* const kE5100 = "keloe5100_0";
const char* const kE7100 = "keloe7100_0";
const char* const k4210 = "kelo4210_0";

void noCallback(VelmorDeviceStruct, InterruptData) {}

#define CALL(expression)         \
    [](Outputs& o) -> uint32_t { \
        (void)o;                 \
        return expression;       \
    }

Row sends(const std::string& function, const char* board, std::vector<uint32_t> commands, Call call,
          Call setup = {}, Call teardown = {}) {
    Row row;
    row.function = function;
    row.board = board;
    row.commands = std::move(commands);
    row.call = std::move(call);
    row.setup = std::move(setup);
    row.teardown = std::move(teardown);
    return row;
}

// A function that sends nothing: called (the matrix checks that the driver hears nothing)
// unless call is empty.
Row quiet(const std::string& function, const char* why, Call call = {}) {
    Row row;
    row.function = function;
    row.why = why;
    row.call = std::move(call);
    return row;
}

const char* const kParser = "parses the command line the program hands over; no board is involved";
const char* const kConsole =
    "a console helper for the sample programs (prompts on standard input, prints, or works "
    "on records the caller passes); no board is involved";
const char* const kRegistry =
    "reads the records the registry took when it was built, before the matrix starts";
const char* const kFlag =
    "sets a flag the library keeps; the driver learns it with the next output write or unit start";
const char* const kLastError = "reads the text the library keeps; no board is involved";

// The operations of one kind of unit, with the unit's settings filled in.
struct UnitFunctions {
    std::string kind;  // Timer, Counter or Watchdog
    VelmorDomain domain;
    uint32_t (*init)(const char*, int);
    uint32_t (*start)(const char*, int);
    uint32_t (*stop)(const char*, int);
    uint32_t (*trigger)(const char*, int);  // none for counters
    uint32_t (*value)(const char*, int, uint32_t*);
    uint32_t (*status)(const char*, int, uint32_t*, uint8_t*, uint8_t*, uint8_t*);
};

const UnitFunctions& timers() {
    static const UnitFunctions f{
        "Timer",
        VELMOR_DOMAIN_TIMER,
        [](const char* b, int i) { return VelmorInitTimer(b, i, MILLISECOND, 100, 0); },
        VelmorStartTimer,
        VelmorStopTimer,
        VelmorTriggerTimer,
        VelmorReadTimerValue,
        VelmorReadTimerStatus};
    return f;
}

const UnitFunctions& counters() {
    static const UnitFunctions f{
        "Counter",
        VELMOR_DOMAIN_COUNTER,
        [](const char* b, int i) { return VelmorInitCounter(b, i, 100, 0); },
        VelmorStartCounter,
        VelmorStopCounter,
        nullptr,
        VelmorReadCounterValue,
        VelmorReadCounterStatus};
    return f;
}

const UnitFunctions& watchdogs() {
    static const UnitFunctions f{
        "Watchdog",
        VELMOR_DOMAIN_WATCHDOG,
        [](const char* b, int i) { return VelmorInitWatchdog(b, i, MILLISECOND, 1000, 0); },
        VelmorStartWatchdog,
        VelmorStopWatchdog,
        VelmorTriggerWatchdog,
        VelmorReadWatchdogValue,
        VelmorReadWatchdogStatus};
    return f;
}

// Boards that answer a failure inside a unit operation with the operation's own code
// (the unit's domain, the operation, INVALID_ID) instead of the driver failure.
bool recodes(const char* board) { return std::string(board) == k3100; }

// Every operation of one unit; each but the first runs on a freshly initialised unit.
void unitRows(std::vector<Row>& table, const UnitFunctions& f, const char* board, int id) {
    using Op = uint32_t (*)(const char*, int);
    const auto on = [board, id](Op op) -> Call { return [=](Outputs&) { return op(board, id); }; };
    const auto add = [&](const std::string& name, uint32_t command, Call call,
                         VelmorFunction function, Call setup, Call teardown = {}) {
        Row row = sends("Velmor" + name, board, {command}, std::move(call), std::move(setup),
                        std::move(teardown));
        if (recodes(board)) {
            row.failure =
                VELMOR_ERROR_CODE(VELMOR_API, f.domain, function, VELMOR_REASON_INVALID_ID);
        }
        table.push_back(std::move(row));
    };
    const Call init = on(f.init);
    const uint32_t action = IoctlStartStopTriggerTimerCounterWatchdog;
    const uint32_t read = IoctlReadTimerCounterWatchdog;
    add("Init" + f.kind, IoctlInitTimerCounterWatchdog, init, VELMOR_FUNCTION_INIT, {});
    add("Start" + f.kind, action, on(f.start), VELMOR_FUNCTION_START, init, on(f.stop));
    add("Stop" + f.kind, action, on(f.stop), VELMOR_FUNCTION_STOP, init);
    if (f.trigger != nullptr) {
        add("Trigger" + f.kind, action, on(f.trigger), VELMOR_FUNCTION_TRIGGER, init);
    }
    const auto value = f.value;
    const auto status = f.status;
    add(
        "Read" + f.kind + "Value", read, [=](Outputs& o) { return value(board, id, &o.word); },
        VELMOR_FUNCTION_READ_VALUE, init);
    add(
        "Read" + f.kind + "Status", read,
        [=](Outputs& o) {
            return status(board, id, &o.word, &o.status[0], &o.status[1], &o.status[2]);
        },
        VELMOR_FUNCTION_READ_STATUS, init);
}

// What the channel rows need to know of a model.
struct ChannelBoard {
    const char* board;
    int eventInput;          // an input that can raise interrupts; -1: the board has no inputs
    int eventSends;          // configurations sent by VelmorSetInterruptEventForInputs
    bool outputs;            // the board has outputs
    uint32_t statusFailure;  // returned when the output status read fails
};

// The board-level and channel operations of one model.
void boardRows(std::vector<Row>& table, const ChannelBoard& model) {
    const char* const board = model.board;
    const int eventInput = model.eventInput;
    const auto call = [board](uint32_t (*op)(const char*)) -> Call {
        return [=](Outputs&) { return op(board); };
    };
    const Call event = [=](Outputs&) {
        return eventInput < 0 ? 0u
                              : VelmorSetInterruptEventForOneInput(board, eventInput, RISING_EDGE);
    };
    Row test =
        sends("VelmorTestError", board, {IoctlTestError, IoctlGetLastError}, call(VelmorTestError));
    test.ordinary = kDriverFailure;  // the command exists to make the driver fail
    table.push_back(test);
    table.push_back(sends("VelmorEnableDeviceInterrupts", board, {IoctlEnableInterrupts},
                          call(VelmorEnableDeviceInterrupts), {},
                          call(VelmorDisableDeviceInterrupts)));
    Row off = sends("VelmorDisableDeviceInterrupts", board,
                    eventInput < 0 ? std::vector<uint32_t>{}
                                   : std::vector<uint32_t>{IoctlStartStopDigitalInterrupt},
                    call(VelmorDisableDeviceInterrupts),
                    [=](Outputs& o) { return event(o) | VelmorEnableDeviceInterrupts(board); });
    off.failure = 0;  // disabling never fails
    table.push_back(off);
    if (eventInput >= 0) {
        table.push_back(
            sends("VelmorReadSingleDigitalInput", board, {IoctlGetDigitalInputs},
                  [=](Outputs& o) { return VelmorReadSingleDigitalInput(board, 1, &o.byte); }));
        table.push_back(
            sends("VelmorReadAllDigitalInputs", board, {IoctlGetDigitalInputs},
                  [=](Outputs& o) { return VelmorReadAllDigitalInputs(board, &o.word); }));
        table.push_back(sends("VelmorSetInterruptEventForOneInput", board,
                              {IoctlInitDigitalInputInterrupt}, event));
        const std::vector<uint32_t> configurations(static_cast<size_t>(model.eventSends),
                                                   IoctlInitDigitalInputInterrupt);
        table.push_back(
            sends("VelmorSetInterruptEventForInputs", board, configurations, [=](Outputs&) {
                return VelmorSetInterruptEventForInputs(board, 1u << eventInput, ANY_EDGE);
            }));
        table.push_back(
            sends("VelmorSetInterruptLogicForPort", board, {IoctlInitDigitalInputInterrupt},
                  [=](Outputs&) { return VelmorSetInterruptLogicForPort(board, 0, OR); }));
        table.push_back(sends("VelmorEnableDigitalInterrupt", board,
                              {IoctlStartStopDigitalInterrupt}, call(VelmorEnableDigitalInterrupt),
                              event));
        table.push_back(sends("VelmorDisableDigitalInterrupt", board,
                              {IoctlStartStopDigitalInterrupt}, call(VelmorDisableDigitalInterrupt),
                              event));
    }
    if (model.outputs) {
        table.push_back(
            sends("VelmorWriteSingleDigitalOutput", board, {IoctlSetDigitalOutputs},
                  [=](Outputs&) { return VelmorWriteSingleDigitalOutput(board, 2, 1); }));
        table.push_back(
            sends("VelmorWriteAllDigitalOutputs", board, {IoctlSetDigitalOutputs},
                  [=](Outputs&) { return VelmorWriteAllDigitalOutputs(board, 0x0Fu, 1); }));
        Row status =
            sends("VelmorGetDigitalOutputsStatus", board, {IoctlGetDigitalOutputsStatus},
                  [=](Outputs& o) { return VelmorGetDigitalOutputsStatus(board, &o.word); });
        status.failure = model.statusFailure;
        table.push_back(status);
    }
}

std::vector<Row> build() {
    std::vector<Row> table;
    const Call portZeroOut = CALL(VelmorSetAllDigitalPortsDirection(k4210, 0x1));

    // ---- Devices and errors
    table.push_back(
        quiet("VelmorGetNumberOfDevices", kRegistry, CALL(VelmorGetNumberOfDevices(&o.count))));
    table.push_back(quiet("VelmorGetDeviceList", kRegistry, CALL(VelmorGetDeviceList(o.list))));
    table.push_back(quiet("VelmorGetDeviceStructFromDeviceName", kRegistry,
                          CALL(VelmorGetDeviceStructFromDeviceName(kE6100, &o.device))));
    table.push_back(quiet("VelmorGetLastError", kLastError,
                          CALL(static_cast<uint32_t>(VelmorGetLastError(nullptr, 0)))));
    table.push_back(quiet("VelmorPrintLastError", kLastError,
                          CALL(static_cast<uint32_t>(VelmorPrintLastError()))));

    // ---- Digital I/O and interrupts of the channel boards
    // The KELOE6100 sends its configuration before and after checking the mask, and reads
    // its outputs' status with a code of its own, as the KELOX7100 does (source driver).
    for (const ChannelBoard& model :
         {ChannelBoard{kE6100, 4, 2, true, 0x82001D00u},
          ChannelBoard{k3100, 3, 1, true, kDriverFailure}, ChannelBoard{kE5100, 2, 1, false, 0},
          ChannelBoard{kE7100, -1, 0, true, 0x02001D0Du}}) {
        boardRows(table, model);
    }
    table.push_back(quiet("VelmorSetOutputMemory", kFlag, CALL(VelmorSetOutputMemory(kE6100, 1))));
    table.push_back(sends("VelmorSetDigitalOutputInterrupt", kE7100,
                          {IoctlSetDigitalOutputInterrupt},
                          CALL(VelmorSetDigitalOutputInterrupt(kE7100, 1, 1))));

    // ---- Digital I/O, port boards
    table.push_back(sends("VelmorSetAllDigitalPortsDirection", k4210,
                          {IoctlSetAllDigitalPortsDirections},
                          CALL(VelmorSetAllDigitalPortsDirection(k4210, 0x3u))));
    table.push_back(sends("VelmorGetAllDigitalPortDirections", k4210,
                          {IoctlGetAllPortsConfiguration},
                          CALL(VelmorGetAllDigitalPortDirections(k4210, &o.word))));
    table.push_back(sends("VelmorReadAllDigitalInputsFromPort", k4210,
                          {IoctlGetAllDigitalInputsFromPort},
                          CALL(VelmorReadAllDigitalInputsFromPort(k4210, 1, &o.byte))));
    table.push_back(sends("VelmorWriteSingleDigitalOutputOnPort", k4210,
                          {IoctlSetDigitalOutputsOnPort},
                          CALL(VelmorWriteSingleDigitalOutputOnPort(k4210, 2, 1, 0)), portZeroOut));
    table.push_back(
        sends("VelmorWriteAllDigitalOutputsOnPort", k4210, {IoctlSetDigitalOutputsOnPort},
              CALL(VelmorWriteAllDigitalOutputsOnPort(k4210, 0x0F, 1, 0)), portZeroOut));
    table.push_back(
        sends("VelmorGetDigitalOutputsStatusOnPort", k4210, {IoctlGetDigitalOutputsStatusOnPort},
              CALL(VelmorGetDigitalOutputsStatusOnPort(k4210, 0, &o.byte)), portZeroOut));
    Row portTest = sends("VelmorTestError", k4210, {IoctlTestError, IoctlGetLastError},
                         CALL(VelmorTestError(k4210)));
    portTest.ordinary = kDriverFailure;  // the command exists to make the driver fail
    table.push_back(portTest);

    // ---- Interrupts
    table.push_back(quiet("VelmorSetDeviceInterruptCallback",
                          "keeps the callback in the library; the driver hears of it when "
                          "interrupts are enabled",
                          CALL(VelmorSetDeviceInterruptCallback(kE6100, noCallback))));
    table.push_back(sends("VelmorTestDeviceInterrupts", kE6100, {IoctlTestInterrupts},
                          CALL(VelmorTestDeviceInterrupts(kE6100)), {},
                          CALL(VelmorClearInterruptFifo(kE6100))));
    table.push_back(sends("VelmorClearInterruptFifo", kE6100, {IoctlClearInterruptFIFO},
                          CALL(VelmorClearInterruptFifo(kE6100))));

    // ---- Timers, counters and watchdogs, on every model that has them
    for (const auto& [board, id] :
         {std::make_pair(kE6100, 1), std::make_pair(k3100, 0), std::make_pair(kE5100, 0)}) {
        unitRows(table, timers(), board, id);
    }
    for (const auto& [board, id] : {std::make_pair(kE6100, 0), std::make_pair(k3100, 0)}) {
        unitRows(table, counters(), board, id);
    }
    for (const char* board : {kE6100, k3100, kE7100}) {
        unitRows(table, watchdogs(), board, 0);
    }
    table.push_back(sends("VelmorSetCustomTimerFrequency", k3100, {IoctlSetCustomTimerFrequency},
                          CALL(VelmorSetCustomTimerFrequency(k3100, 5000))));
    const std::pair<const char*, uint32_t (*)(const char*, int)> unitFlags[] = {
        {"VelmorEnableTimerInterrupt", VelmorEnableTimerInterrupt},
        {"VelmorDisableTimerInterrupt", VelmorDisableTimerInterrupt},
        {"VelmorEnableCounterInterrupt", VelmorEnableCounterInterrupt},
        {"VelmorDisableCounterInterrupt", VelmorDisableCounterInterrupt},
        {"VelmorEnableWatchdogInterrupt", VelmorEnableWatchdogInterrupt},
        {"VelmorDisableWatchdogInterrupt", VelmorDisableWatchdogInterrupt}};
    for (const auto& [name, op] : unitFlags) {
        // The KELOE6100 has timer 1, counter 0 and watchdog 0.
        const int unit = std::string(name).find("Timer") != std::string::npos ? 1 : 0;
        table.push_back(quiet(name, kFlag, [op = op, unit](Outputs&) { return op(kE6100, unit); }));
    }

    // ---- Command-line parser and console helpers of the samples
    for (const char* name :
         {"VelmorArgParserInit", "VelmorArgParserClear", "VelmorArgParserAddOption",
          "VelmorArgParserAddFlag", "VelmorArgParserParse", "VelmorArgParserIsFlagSet",
          "VelmorArgParserIsOptionSet", "VelmorArgParserGetOptionValue"}) {
        table.push_back(quiet(name, kParser));
    }
    for (const char* name :
         {"VelmorUtilsPromptString", "VelmorUtilsPromptInt", "VelmorUtilsPromptHex",
          "VelmorUtilsGetValidString", "VelmorUtilsGetValidInt", "VelmorUtilsGetValidHex",
          "VelmorUtilsSelectDeviceByCapability", "VelmorUtilsSelectMode",
          "VelmorUtilsParseTimebase", "VelmorUtilsGetValidTimebaseList",
          "VelmorUtilsInterruptCallback", "VelmorUtilsResetInterruptFlag",
          "VelmorUtilsHasInterruptHappened", "VelmorUtilsGetTcwOptionsFromUser",
          "VelmorUtilsDisplayAllPortsConfigurations", "VelmorUtilsExitOnUserInput"}) {
        table.push_back(quiet(name, kConsole));
    }
    return table;
}

#undef CALL

}  // namespace

const std::vector<Row>& rows() {
    static const std::vector<Row> table = build();
    return table;
}

}  // namespace fault_matrix
