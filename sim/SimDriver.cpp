// The driver model: how one simulated board answers each command of the driver
// command set. Called with the simulator's lock held; it calls no interposed function.
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "SimInternal.h"

namespace corvane_sim {
namespace {

void copyText(char* dst, size_t field, const std::string& text) {
    // A text as long as the field fills it without a terminating zero, as a driver may.
    std::memset(dst, 0, field);
    std::memcpy(dst, text.data(), text.size() < field ? text.size() : field);
}

uint32_t channelMask(unsigned count) {
    return count >= 32 ? 0xFFFFFFFFu : ((1u << count) - 1u);
}

CommandResult ok() { return {0, 0}; }

CommandResult fail(Board& b, const char* function, int error, const char* message) {
    return refuse(b, function, error, message);
}

// Output write with the driver's memory rule: with memory on, switching on adds to the
// outputs already on; with memory off, the outputs switched on replace the previous
// ones. Switching off clears the masked outputs.
uint32_t applyOutputs(uint32_t current, uint32_t mask, uint8_t memory, uint8_t state) {
    if (state) return memory ? (current | mask) : mask;
    return current & ~mask;
}

}  // namespace

Board::Board(const BoardConfig& config) : cfg(config) {
    const std::string& p = cfg.prefix;
    if (p == "kelo3100" || p == "keloe3100") {
        family = Family::Kelo3100, inputCount = 16, outputCount = 16, ports = 2, units = 3;
    } else if (p == "keloe6100" || p == "kelo6100") {
        family = Family::Kelo6100, inputCount = 32, outputCount = 32, ports = 1, units = 5;
    } else if (p == "keloe5100" || p == "kelo5100") {
        family = Family::Kelo5100, inputCount = 32, outputCount = 0, ports = 1, units = 1;
    } else if (p == "keloe7100" || p == "kelo7100") {
        family = Family::Kelo7100, inputCount = 0, outputCount = 32, ports = 1, units = 1;
    } else {
        family = Family::Kelo42xx;
        // The port boards: 12 ports when the driver reports kelo4210, else 6.
        ports = cfg.product == "kelo4210" ? 12 : 6;
        inputCount = outputCount = 8 * ports;
        units = 0;
    }
    for (unsigned i = 0; i < 4; ++i) {
        inputs[i] = static_cast<uint8_t>(cfg.inputs >> (8 * i));
        outputs[i] = static_cast<uint8_t>(cfg.outputs >> (8 * i));
    }
}

uint32_t Board::inputWord() const {
    uint32_t w = 0;
    for (unsigned i = 0; i < 4; ++i) w |= static_cast<uint32_t>(inputs[i]) << (8 * i);
    return w;
}

uint32_t Board::outputWord() const {
    uint32_t w = 0;
    for (unsigned i = 0; i < 4; ++i) w |= static_cast<uint32_t>(outputs[i]) << (8 * i);
    return w;
}

bool Board::pushInterrupt(const InterruptData& data) {
    if (queue.size() >= CORVANE_SIM_INTERRUPT_QUEUE_SIZE) return false;
    queue.push_back(data);
    const uint64_t one = 1;
    for (int fd : fds) {
        ssize_t n = ::write(fd, &one, sizeof one);
        (void)n;
    }
    return true;
}

void Board::raise(const InterruptData& data) {
    if (!pushInterrupt(data)) ++dropped;
}

bool Board::popInterrupt(InterruptData& data) {
    if (queue.empty()) return false;
    data = queue.front();
    queue.pop_front();
    uint64_t v = 0;
    for (int fd : fds) {
        ssize_t n = ::read(fd, &v, sizeof v);  // semaphore mode: takes one
        (void)n;
    }
    return true;
}

void Board::clearInterrupts() {
    uint64_t v = 0;
    for (size_t i = 0; i < queue.size(); ++i) {
        for (int fd : fds) {
            ssize_t n = ::read(fd, &v, sizeof v);
            (void)n;
        }
    }
    queue.clear();
}

void Board::setError(const char* function, uint32_t code, const char* message) {
    std::memset(&lastError, 0, sizeof lastError);
    copyText(lastError.driver_name, sizeof lastError.driver_name - 1, cfg.driver);
    lastError.device_index = static_cast<uint8_t>(cfg.number);
    copyText(lastError.function_name, sizeof lastError.function_name - 1, function);
    lastError.error_code = code;
    copyText(lastError.message, sizeof lastError.message - 1, message);
}

CommandResult refuse(Board& b, const char* function, int error, const char* message) {
    b.setError(function, static_cast<uint32_t>(error), message);
    return {-1, error};
}

CommandResult execute(Board& b, uint32_t command, void* arg) {
    Simulator& s = lockedSimulator();
    clockSettle(s);
    CommandResult r = executeAt(b, command, arg, s.clock.now());
    unsigned unit = 0;
    if (boardNextDue(b, unit) != kNever) clockScheduled(s);
    return r;
}

CommandResult executeAt(Board& b, uint32_t command, void* arg, uint64_t now) {
    const CommandInfo* info = findCommand(command);
    if (info == nullptr) return fail(b, "unknown command", ENOTTY, "Command not supported");
    const char* name = info->name;
    if (info->size == 0 && (command == 0xC0084103u || command == 0xC0084104u || command == 0xC00841FFu)) {
        return fail(b, name, ENOTTY, "Command not supported");
    }
    if (info->size != 0 && arg == nullptr) return fail(b, name, EFAULT, "Bad address");
    auto* bytes = static_cast<uint8_t*>(arg);

    switch (command) {
    case 0xC0084100u: {  // IoctlGetDeviceInformations
        IoctlGetDeviceInformationsStruct rec;
        std::memset(&rec, 0, sizeof rec);
        rec.bus.vendor_id = b.cfg.vendor;
        rec.bus.device_id = b.cfg.device;
        rec.bus.number = b.cfg.number;
        rec.bus.device_number = b.cfg.slot;
        rec.bus.bus_number = b.cfg.bus;
        for (int i = 0; i < 6; ++i) rec.bus.base_address_register[i] = b.cfg.bar[i];
        rec.bus.interrupt_number = b.cfg.irq;
        rec.bus.is_pcie = b.cfg.pcie ? 1 : 0;
        for (size_t i = 0; i < b.cfg.custom.size() && i < 50; ++i) rec.custom_id[i] = b.cfg.custom[i];
        copyText(rec.product_name, sizeof rec.product_name, b.cfg.product);
        copyText(rec.firmware_version, sizeof rec.firmware_version, b.cfg.firmware);
        std::memcpy(arg, &rec, sizeof rec);
        return ok();
    }
    case 0xC0084101u:  // IoctlGetLastError
        std::memcpy(arg, &b.lastError, sizeof b.lastError);
        return ok();
    case 0xC0084102u:  // IoctlTestError: fails on purpose
        return fail(b, name, EIO, "Test error requested");
    case 0xC0084105u:  // IoctlClearInterruptFIFO
        b.clearInterrupts();
        return ok();
    case 0xC0084106u:  // IoctlEnableInterrupts
        b.interruptsEnabled = 1;
        return ok();
    case 0xC0084107u: {  // IoctlTestInterrupts
        InterruptData d;
        std::memset(&d, 0, sizeof d);
        d.interrupt_source = CORVANE_SIM_TEST_INTERRUPT_SOURCE;
        if (!b.pushInterrupt(d)) return fail(b, name, ENOSPC, "Interrupt FIFO full");
        return ok();
    }
    case 0xC0084108u: {  // IoctlGetInterruptInformations
        InterruptData d;
        if (!b.popInterrupt(d)) return fail(b, name, EAGAIN, "No interrupt pending");
        std::memcpy(arg, &d, sizeof d);
        return ok();
    }
    case 0xC0084110u: {  // IoctlGetDigitalInputs
        uint32_t v = b.inputWord() & channelMask(b.inputCount);
        std::memcpy(arg, &v, sizeof v);
        return ok();
    }
    case 0xC0084111u: {  // IoctlInitDigitalInputInterrupt
        IoctlInitDigitalInputInterruptStruct r;
        std::memcpy(&r, arg, sizeof r);
        return digitalConfigure(b, r, name);
    }
    case 0xC0084112u:  // IoctlStartStopDigitalInterrupt
        if (bytes[0] > 1) return fail(b, name, EINVAL, "Invalid start/stop value");
        b.digitalInterruptStarted = bytes[0];
        return ok();
    case 0xC0084113u:  // IoctlGetAllDigitalInputsFromPort
        if (bytes[0] >= b.ports) return fail(b, name, EINVAL, "Invalid port number");
        bytes[1] = b.inputs[bytes[0]];
        return ok();
    case 0xC0084121u: {  // IoctlSetDigitalOutputs
        IoctlSetDigitalOutputsStruct r;
        std::memcpy(&r, arg, sizeof r);
        if (r.state > 1) return fail(b, name, EINVAL, "Invalid output state");
        uint32_t next = applyOutputs(b.outputWord(), r.mask & channelMask(b.outputCount), r.memory, r.state);
        for (unsigned i = 0; i < 4; ++i) b.outputs[i] = static_cast<uint8_t>(next >> (8 * i));
        b.outputMemory = r.memory ? 1 : 0;
        return ok();
    }
    case 0xC0084122u: {  // IoctlGetDigitalOutputsStatus
        uint32_t v = b.outputWord();
        std::memcpy(arg, &v, sizeof v);
        return ok();
    }
    case 0xC0084123u:  // IoctlSetDigitalOutputInterrupt
        b.outputInterrupt[0] = bytes[0];
        b.outputInterrupt[1] = bytes[1];
        b.outputInterruptSet = 1;
        return ok();
    case 0xC0084125u: {  // IoctlSetAllDigitalPortsDirections
        uint32_t v;
        std::memcpy(&v, arg, sizeof v);
        b.directions = v & channelMask(b.ports);  // bits of absent ports are not kept
        return ok();
    }
    case 0xC0084127u: {  // IoctlGetAllPortsConfiguration
        uint16_t v = static_cast<uint16_t>(b.directions & 0xFFFFu);
        std::memcpy(arg, &v, sizeof v);
        return ok();
    }
    case 0xC0084128u: {  // IoctlSetDigitalOutputsOnPort
        IoctlSetDigitalOutputsOnPortStruct r;
        std::memcpy(&r, arg, sizeof r);
        if (r.port >= b.ports) return fail(b, name, EINVAL, "Invalid port number");
        if (r.state > 1) return fail(b, name, EINVAL, "Invalid output state");
        b.outputs[r.port] = static_cast<uint8_t>(applyOutputs(b.outputs[r.port], r.mask, r.memory, r.state));
        b.outputMemory = r.memory ? 1 : 0;
        return ok();
    }
    case 0xC0084129u:  // IoctlGetDigitalOutputsStatusOnPort
        if (bytes[0] >= b.ports) return fail(b, name, EINVAL, "Invalid port number");
        bytes[1] = b.outputs[bytes[0]];
        return ok();
    case 0xC0084131u: {  // IoctlInitTimerCounterWatchdog
        IoctlInitTimerCounterWatchdogStruct r;
        std::memcpy(&r, arg, sizeof r);
        return unitInit(b, r, name);
    }
    case 0xC0084132u: {  // IoctlStartStopTriggerTimerCounterWatchdog
        IoctlStartStopTriggerTimerCounterWatchdogStruct r;
        std::memcpy(&r, arg, sizeof r);
        return unitAction(b, r, name, now);
    }
    case 0xC0084133u: {  // IoctlReadTimerCounterWatchdog
        IoctlReadTimerCounterWatchdogStruct r;
        std::memcpy(&r, arg, sizeof r);
        CommandResult result = unitRead(b, r, name, now);
        if (result.result == 0) std::memcpy(arg, &r, sizeof r);
        return result;
    }
    case 0xC0084134u:  // IoctlSetCustomTimerFrequency
        std::memcpy(&b.customFrequency, arg, sizeof b.customFrequency);
        b.customFrequencySet = 1;
        return ok();
    default:
        return fail(b, name, ENOTTY, "Command not supported");
    }
}

}  // namespace corvane_sim
