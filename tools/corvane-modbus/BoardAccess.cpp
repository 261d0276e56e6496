#include "BoardAccess.h"

#include <corvane/CounterInterface.h>
#include <corvane/DigitalIOInterface.h>
#include <corvane/DigitalIOPortsInterface.h>
#include <corvane/TimerInterface.h>
#include <corvane/WatchdogInterface.h>

namespace corvane_modbus {

namespace {

uint16_t high(uint32_t value) { return static_cast<uint16_t>(value >> 16); }
uint16_t low(uint32_t value) { return static_cast<uint16_t>(value & 0xFFFFu); }

}  // namespace

BoardAccess::Values BoardAccess::fetch(Source source, unsigned index) {
    const auto key = std::make_pair(source, index);
    const auto cached = cache.find(key);
    if (cached != cache.end()) return cached->second;
    velmor::corvane::Device& device = *board.device;
    const auto unit = static_cast<uint8_t>(index);
    Values v{};
    uint8_t s1 = 0, s2 = 0, s3 = 0;
    switch (source) {
        case Source::InputChannels:
        case Source::InputWord:
            v[0] = device.digitalIo()->readAllDigitalInput();
            break;
        case Source::OutputChannels:
        case Source::OutputWord:
            v[0] = device.digitalIo()->getDigitalOutputStatus();
            break;
        case Source::PortInputChannels:
        case Source::PortInputs:
            v[0] = device.digitalIoPorts()->readAllDigitalInputsFromPort(unit);
            break;
        case Source::PortOutputChannels:
        case Source::PortOutputStatus:
        case Source::PortOutputs:
            v[0] = device.digitalIoPorts()->getDigitalOutputsStatusOnPort(unit);
            break;
        case Source::PortDirections:
            v[0] = device.digitalIoPorts()->getAllDigitalPortDirections();
            break;
        case Source::TimerValue:
            v[0] = device.timer()->readTimerValue(unit);
            break;
        case Source::TimerStatus:
            device.timer()->readTimerStatus(unit, v[0], s1, s2, s3);
            break;
        case Source::CounterValue:
            v[0] = device.counter()->readCounterValue(unit);
            break;
        case Source::CounterStatus:
            device.counter()->readCounterStatus(unit, v[0], s1, s2, s3);
            break;
        case Source::WatchdogValue:
            v[0] = device.watchdog()->readWatchdogValue(unit);
            break;
        case Source::WatchdogStatus:
            device.watchdog()->readWatchdogStatus(unit, v[0], s1, s2, s3);
            break;
        case Source::InterruptCounters: {
            const InterruptCounters::Snapshot snapshot =
                board.counters ? board.counters->snapshot() : InterruptCounters::Snapshot{};
            v = {snapshot.total, snapshot.lastSource, snapshot.lastMask, 0};
            break;
        }
    }
    if (source == Source::TimerStatus || source == Source::CounterStatus ||
        source == Source::WatchdogStatus) {
        v = {s1, s2, s3, 0};
    }
    cache[key] = v;
    return v;
}

uint16_t BoardAccess::valueAt(const Block& block, uint16_t address) {
    const unsigned offset = static_cast<unsigned>(address - block.first);
    switch (block.source) {
        case Source::InputChannels:
        case Source::OutputChannels:
            return static_cast<uint16_t>(fetch(block.source, 0)[0] >> offset & 1u);
        case Source::PortInputChannels:
        case Source::PortOutputChannels:
            return static_cast<uint16_t>(fetch(block.source, offset / 8)[0] >> (offset % 8) & 1u);
        case Source::InputWord:
        case Source::OutputWord:
        case Source::TimerValue:
        case Source::CounterValue:
        case Source::WatchdogValue: {
            const uint32_t value = fetch(block.source, block.unit)[0];
            return offset == 0 ? high(value) : low(value);
        }
        case Source::TimerStatus:
        case Source::CounterStatus:
        case Source::WatchdogStatus:
            return static_cast<uint16_t>(fetch(block.source, block.unit)[offset]);
        case Source::InterruptCounters: {
            const uint32_t value = fetch(block.source, 0)[offset / 2];
            return offset % 2 == 0 ? high(value) : low(value);
        }
        case Source::PortInputs:
        case Source::PortOutputStatus:
        case Source::PortOutputs:
            return static_cast<uint16_t>(fetch(block.source, offset)[0] & 0xFFu);
        case Source::PortDirections:
            return low(fetch(block.source, 0)[0]);
    }
    return 0;
}

std::vector<uint16_t> BoardAccess::read(Table table, uint16_t first, uint16_t count) {
    cache.clear();
    std::vector<uint16_t> values;
    values.reserve(count);
    for (unsigned i = 0; i < count; ++i) {
        const auto address = static_cast<uint16_t>(first + i);
        values.push_back(valueAt(*board.map.find(table, address), address));
    }
    return values;
}

bool BoardAccess::checkValues(const ModbusRequest& request, std::string& reason) const {
    for (unsigned i = 0; i < request.count; ++i) {
        const auto address = static_cast<uint16_t>(request.address + i);
        const Block& block = *board.map.find(request.table, address);
        const unsigned value = request.values[i];
        if (block.source == Source::PortOutputs && value > 0xFF) {
            reason = "register " + std::to_string(address) + ": port outputs " + std::to_string(value) +
                     " are outside 0 to 255";
            return false;
        }
        if (block.source == Source::PortDirections && (value >> board.map.shape().ports) != 0) {
            reason = "register " + std::to_string(address) + ": directions " + std::to_string(value) +
                     " name ports the board does not have (it has " +
                     std::to_string(board.map.shape().ports) + ")";
            return false;
        }
    }
    return true;
}

void BoardAccess::writePortValue(unsigned port, unsigned value) {
    velmor::corvane::DigitalIOPortsInterface& ports = *board.device->digitalIoPorts();
    const auto p = static_cast<uint8_t>(port);
    const auto off = static_cast<uint8_t>(~value & 0xFFu);
    const auto on = static_cast<uint8_t>(value & 0xFFu);
    if (off != 0) ports.writeAllDigitalOutputsOnPort(off, 0, p);
    if (on != 0) ports.writeAllDigitalOutputsOnPort(on, 1, p);
}

void BoardAccess::writeChannels(const ModbusRequest& request, Source source) {
    if (request.function == 5) {
        const unsigned channel = request.address;
        if (source == Source::OutputChannels) {
            board.device->digitalIo()->writeSingleDigitalOutput(static_cast<uint8_t>(channel),
                                                                request.values[0] != 0);
        } else {
            board.device->digitalIoPorts()->writeSingleDigitalOutputOnPort(
                static_cast<uint8_t>(channel % 8), static_cast<uint8_t>(request.values[0]),
                static_cast<uint8_t>(channel / 8));
        }
        return;
    }
    // Masks per 32-bit word (channel boards) or per port (port boards).
    std::map<unsigned, std::pair<uint32_t, uint32_t>> masks;  // group -> (off, on)
    for (unsigned i = 0; i < request.count; ++i) {
        const unsigned channel = request.address + i;
        const unsigned group = source == Source::OutputChannels ? 0 : channel / 8;
        const unsigned bit = source == Source::OutputChannels ? channel : channel % 8;
        auto& mask = masks[group];
        (request.values[i] != 0 ? mask.second : mask.first) |= 1u << bit;
    }
    for (const auto& [group, mask] : masks) {
        if (source == Source::OutputChannels) {
            velmor::corvane::DigitalIOInterface& io = *board.device->digitalIo();
            if (mask.first != 0) io.writeAllDigitalOutput(mask.first, false);
            if (mask.second != 0) io.writeAllDigitalOutput(mask.second, true);
        } else {
            velmor::corvane::DigitalIOPortsInterface& ports = *board.device->digitalIoPorts();
            const auto port = static_cast<uint8_t>(group);
            if (mask.first != 0) ports.writeAllDigitalOutputsOnPort(static_cast<uint8_t>(mask.first), 0, port);
            if (mask.second != 0) ports.writeAllDigitalOutputsOnPort(static_cast<uint8_t>(mask.second), 1, port);
        }
    }
}

void BoardAccess::write(const ModbusRequest& request) {
    const Block& firstBlock = *board.map.find(request.table, request.address);
    if (request.table == Table::Coils) {
        writeChannels(request, firstBlock.source);
        return;
    }
    for (unsigned i = 0; i < request.count; ++i) {
        const auto address = static_cast<uint16_t>(request.address + i);
        const Block& block = *board.map.find(request.table, address);
        if (block.source == Source::PortDirections) {
            board.device->digitalIoPorts()->setAllDigitalPortsDirections(request.values[i]);
        } else {
            writePortValue(static_cast<unsigned>(address - block.first), request.values[i]);
        }
    }
}

}  // namespace corvane_modbus
