#include "ServedBoard.h"

#include <algorithm>
#include <exception>

#include <corvane/CounterInterface.h>
#include <corvane/DeviceDiscovery.h>
#include <corvane/DigitalIOInterface.h>
#include <corvane/DigitalIOPortsInterface.h>
#include <corvane/InterruptInterface.h>
#include <corvane/TimerInterface.h>
#include <corvane/WatchdogInterface.h>

namespace corvane_modbus {

namespace {

// Every board found, or the library's text when discovery fails.
bool findBoards(std::vector<std::shared_ptr<velmor::corvane::Device>>& devices, std::string& error) {
    try {
        devices = velmor::corvane::DeviceDiscovery::getDevices();
        return true;
    } catch (const std::exception& e) {
        error = std::string("the library cannot list the boards: ") + e.what();
        return false;
    }
}

}  // namespace

BoardShape shapeOf(velmor::corvane::Device& device, bool interruptCounters) {
    const VelmorDeviceStruct info = device.getDeviceInformation();
    const VelmorFunctionInformations& f = info.functions;
    BoardShape shape;
    if (device.digitalIo() != nullptr) {
        shape.inputs = std::min<unsigned>(f.digital.number_inputs, 32);
        shape.outputs = std::min<unsigned>(f.digital.number_outputs, 32);
    }
    if (device.digitalIoPorts() != nullptr) {
        // Port numbers reach the library as 8 bits; 32 ports fill the 256 channels.
        shape.ports = std::min<unsigned>(f.digital.number_of_ports, 32);
    }
    if (device.timer() != nullptr) shape.timers = f.timer.number_timers;
    if (device.counter() != nullptr) shape.counters = f.counter.number_counters;
    if (device.watchdog() != nullptr) shape.watchdogs = f.watchdog.number_watchdogs;
    // The unit blocks are 5 registers apart and 100 registers long.
    shape.timers = std::min(shape.timers, 20u);
    shape.counters = std::min(shape.counters, 20u);
    shape.watchdogs = std::min(shape.watchdogs, 20u);
    shape.interruptCounters = interruptCounters && device.interrupt() != nullptr;
    return shape;
}

UnitPlan planUnits(const std::vector<std::string>& boards, const std::vector<UnitAssignment>& requested) {
    UnitPlan plan;
    if (boards.empty()) {
        plan.error = "no boards found";
        return plan;
    }
    if (requested.empty()) {
        if (boards.size() > kLastUnitId) {
            plan.error = std::to_string(boards.size()) + " boards found but Modbus has " +
                         std::to_string(kLastUnitId) + " unit identifiers: choose the boards with --unit";
            return plan;
        }
        for (size_t i = 0; i < boards.size(); ++i) {
            plan.units.push_back(UnitAssignment{boards[i], static_cast<unsigned>(i + 1)});
        }
        plan.ok = true;
        return plan;
    }
    for (const UnitAssignment& unit : requested) {
        if (std::find(boards.begin(), boards.end(), unit.board) == boards.end()) {
            std::string list;
            for (const std::string& board : boards) list += (list.empty() ? "" : ", ") + board;
            plan.error = "--unit " + unit.board + "=" + std::to_string(unit.id) + ": no board " +
                         unit.board + " (boards: " + list + ")";
            return plan;
        }
        plan.units.push_back(unit);
    }
    std::sort(plan.units.begin(), plan.units.end(),
              [](const UnitAssignment& a, const UnitAssignment& b) { return a.id < b.id; });
    plan.ok = true;
    return plan;
}

bool serveBoards(const GatewayOptions& options, std::vector<ServedBoard>& served, std::string& error) {
    std::vector<std::shared_ptr<velmor::corvane::Device>> devices;
    if (!findBoards(devices, error)) return false;
    std::vector<std::string> ids;
    for (const auto& device : devices) ids.push_back(device->getDeviceInformation().id);
    const UnitPlan plan = planUnits(ids, options.units);
    if (!plan.ok) {
        error = plan.error;
        return false;
    }
    for (const UnitAssignment& unit : plan.units) {
        for (size_t i = 0; i < ids.size(); ++i) {
            if (ids[i] != unit.board) continue;
            velmor::corvane::Device& device = *devices[i];
            const VelmorDeviceStruct info = device.getDeviceInformation();
            const BoardShape shape = shapeOf(device, options.interrupts);
            std::shared_ptr<InterruptCounters> counters;
            if (shape.interruptCounters) counters = std::make_shared<InterruptCounters>();
            served.push_back(ServedBoard{ids[i], info.general.product_name, unit.id, devices[i],
                                         RegisterMap(shape), counters});
            // Coil and port writes switch outputs off as well as on: output memory on.
            if (device.digitalIo() != nullptr) device.digitalIo()->setOutputMemoryOn();
            if (device.digitalIoPorts() != nullptr) device.digitalIoPorts()->setOutputMemoryOn();
        }
    }
    return true;
}

}  // namespace corvane_modbus
