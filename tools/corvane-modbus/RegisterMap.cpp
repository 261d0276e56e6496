#include "RegisterMap.h"

namespace corvane_modbus {

namespace {

std::string number(unsigned value) { return std::to_string(value); }

std::string range(const Block& block) {
    if (block.count == 1) return number(block.first);
    return number(block.first) + "-" + number(block.first + block.count - 1u);
}

// The value and status blocks of one kind of unit (timer, counter, watchdog).
struct UnitKind {
    const char* name;
    uint16_t base;
    Source value;
    Source status;
};

// "inputs as one word, bit n = input n: high word (inputs 16-31), low word (inputs 0-15)"
std::string wordMeaning(const std::string& what, const std::string& channel, unsigned channels) {
    const std::string high = channels > 16 ? channel + "s 16-" + number(channels - 1) : "0";
    const std::string low = channel + "s 0-" + number((channels > 16 ? 16 : channels) - 1);
    return what + " as one word, bit n = " + channel + " n: high word (" + high + "), low word (" +
           low + ")";
}

}  // namespace

RegisterMap::RegisterMap(const BoardShape& shape) : boardShape(shape) {
    if (shape.inputs > 0) {
        add(Table::DiscreteInputs, 0, shape.inputs, Source::InputChannels, 0, false,
            "input n (n = address)");
    }
    if (shape.ports > 0) {
        add(Table::DiscreteInputs, 0, shape.ports * 8, Source::PortInputChannels, 0, false,
            "input channel n: bit n % 8 of port n / 8");
    }
    if (shape.outputs > 0) {
        add(Table::Coils, 0, shape.outputs, Source::OutputChannels, 0, true,
            "output n (n = address)");
    }
    if (shape.ports > 0) {
        add(Table::Coils, 0, shape.ports * 8, Source::PortOutputChannels, 0, true,
            "output channel n: bit n % 8 of port n / 8");
    }
    if (shape.inputs > 0) {
        add(Table::InputRegisters, kInputWordAddress, 2, Source::InputWord, 0, false,
            wordMeaning("inputs", "input", shape.inputs));
    }
    if (shape.outputs > 0) {
        add(Table::InputRegisters, kOutputWordAddress, 2, Source::OutputWord, 0, false,
            wordMeaning("output status", "output", shape.outputs));
    }
    if (shape.ports > 0) {
        add(Table::InputRegisters, kPortInputsAddress, shape.ports, Source::PortInputs, 0, false,
            "inputs of port p = address - " + number(kPortInputsAddress) + " (0-255)");
        add(Table::InputRegisters, kPortOutputStatusAddress, shape.ports, Source::PortOutputStatus, 0,
            false, "output status of port p = address - " + number(kPortOutputStatusAddress) + " (0-255)");
    }
    const UnitKind kinds[] = {
        {"timer", kTimersAddress, Source::TimerValue, Source::TimerStatus},
        {"counter", kCountersAddress, Source::CounterValue, Source::CounterStatus},
        {"watchdog", kWatchdogsAddress, Source::WatchdogValue, Source::WatchdogStatus},
    };
    const unsigned counts[] = {shape.timers, shape.counters, shape.watchdogs};
    for (unsigned k = 0; k < 3; ++k) {
        for (unsigned u = 0; u < counts[k]; ++u) {
            const auto base = static_cast<uint16_t>(kinds[k].base + u * kUnitStride);
            const std::string unit = std::string(kinds[k].name) + " " + number(u);
            add(Table::InputRegisters, base, 2, kinds[k].value, static_cast<uint8_t>(u), false,
                unit + " value: high word, low word");
            add(Table::InputRegisters, static_cast<uint16_t>(base + 2), 3, kinds[k].status,
                static_cast<uint8_t>(u), false, unit + " status bytes 1, 2, 3 (one status read)");
        }
    }
    if (shape.interruptCounters) {
        add(Table::InputRegisters, kInterruptCountersAddress, 6, Source::InterruptCounters, 0, false,
            "interrupts counted since start (wraps at 2^32), last interrupt_source, last "
            "interrupt_mask: two registers each, high word first");
    }
    if (shape.ports > 0) {
        add(Table::HoldingRegisters, kPortDirectionsAddress, 1, Source::PortDirections, 0, true,
            "port directions: bit p = port p, 1 output, 0 input (bits 0-" + number(shape.ports - 1) + ")");
        add(Table::HoldingRegisters, kPortOutputsAddress, shape.ports, Source::PortOutputs, 0, true,
            "outputs of port p = address - " + number(kPortOutputsAddress) + " (0-255)");
    }
}

void RegisterMap::add(Table table, uint16_t first, unsigned count, Source source, uint8_t unit,
                      bool writable, const std::string& meaning) {
    entries.push_back(Block{table, first, static_cast<uint16_t>(count), source, unit, writable, meaning});
}

const Block* RegisterMap::find(Table table, uint16_t address) const {
    for (const Block& block : entries) {
        if (block.table == table && address >= block.first &&
            address - block.first < block.count) {
            return &block;
        }
    }
    return nullptr;
}

std::string RegisterMap::markdown() const {
    std::string text = "| Table | Addresses | Meaning | Access |\n|---|---|---|---|\n";
    for (const Block& block : entries) {
        std::string access = block.writable ? "read, write" : "read";
        if (block.source == Source::InterruptCounters) access += " (with --interrupts)";
        text += std::string("| ") + tableName(block.table) + " | " + range(block) + " | " +
                block.meaning + " | " + access + " |\n";
    }
    return text;
}

}  // namespace corvane_modbus
