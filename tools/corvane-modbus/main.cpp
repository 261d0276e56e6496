// corvane-modbus: the boards that libCorvane finds, served to Modbus TCP clients.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <corvane/CorvaneException.h>
#include <corvane/DeviceDiscovery.h>
#include <corvane/DigitalIOInterface.h>
#include <corvane/DigitalIOPortsInterface.h>
#include "GatewayLog.h"
#include "GatewayOptions.h"
#include "GatewayServer.h"
#include <corvane/InterruptInterface.h>
#include "RequestHandler.h"
#include "ServedBoard.h"

using namespace corvane_modbus;
using velmor::corvane::Device;
using velmor::corvane::DeviceDiscovery;

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Every board found, or the library's text when discovery fails.
bool findBoards(std::vector<std::shared_ptr<Device>>& devices, std::string& error) {
    try {
        devices = DeviceDiscovery::getDevices();
        return true;
    } catch (const std::exception& e) {
        error = std::string("the library cannot list the boards: ") + e.what();
        return false;
    }
}

bool buildBoards(const GatewayOptions& options, std::vector<ServedBoard>& served, std::string& error) {
    std::vector<std::shared_ptr<Device>> devices;
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
            Device& device = *devices[i];
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

void disableInterrupts(std::vector<ServedBoard>& served, GatewayLog& log) {
    for (ServedBoard& board : served) {
        if (board.counters == nullptr) continue;
        board.device->interrupt()->disableDeviceInterrupts();  // never throws
        log.write("interrupts of " + board.id + " disabled (" +
                  std::to_string(board.counters->snapshot().total) + " counted)");
    }
}

bool enableInterrupts(std::vector<ServedBoard>& served, GatewayLog& log) {
    for (size_t i = 0; i < served.size(); ++i) {
        ServedBoard& board = served[i];
        if (board.counters == nullptr) {
            log.write("board " + board.id + " has no interrupts: nothing to count");
            continue;
        }
        std::shared_ptr<InterruptCounters> counters = board.counters;
        try {
            velmor::corvane::InterruptInterface& interrupt = *board.device->interrupt();
            interrupt.setDeviceInterruptCallback(
                [counters](const VelmorDeviceStruct&, const InterruptData& data) { counters->record(data); });
            interrupt.enableDeviceInterrupts();
        } catch (const std::exception& e) {
            log.write("cannot enable the interrupts of " + board.id + ": " + e.what());
            board.counters = nullptr;  // not enabled: nothing to disable
            disableInterrupts(served, log);
            return false;
        }
    }
    return true;
}

std::string unitList(const std::vector<ServedBoard>& served) {
    std::string text;
    for (const ServedBoard& board : served) {
        text += (text.empty() ? "" : ", ") + std::to_string(board.unit) + "=" + board.id;
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    // Before any thread exists (the library's interrupt threads inherit the mask), so
    // that SIGINT and SIGTERM reach the server loop through its signal descriptor only.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    const OptionsResult parsed = parseGatewayOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.ok) {
        std::cerr << "corvane-modbus: " << parsed.error << "\nTry 'corvane-modbus --help'.\n";
        return kExitUsage;
    }
    const GatewayOptions& options = parsed.options;
    if (options.help) {
        std::cout << gatewayUsage();
        return 0;
    }
    GatewayLog log;
    std::string error;
    if (!options.logFile.empty() && !log.openFile(options.logFile, error)) {
        std::cerr << "corvane-modbus: " << error << "\n";
        return kExitFailure;
    }

    std::vector<ServedBoard> served;
    if (!buildBoards(options, served, error)) {
        log.write(error);
        return kExitFailure;
    }
    if (options.printMap) {
        for (const ServedBoard& board : served) {
            std::cout << "## Unit " << board.unit << ": " << board.id << " (" << board.product << ")\n\n"
                      << board.map.markdown() << "\n";
        }
        return 0;
    }

    RequestHandler handler(served, options.allowWrite);
    GatewayServer server(options, handler, log);
    if (!server.listen(error)) {
        log.write(error);
        return kExitFailure;
    }
    const int signalFd = signalfd(-1, &stopSignals, SFD_CLOEXEC);
    if (signalFd < 0) {
        log.write("cannot create the signal descriptor");
        return kExitFailure;
    }
    if (options.interrupts && !enableInterrupts(served, log)) return kExitFailure;
    log.write("listening on " + server.address() + "; units " + unitList(served) + "; writes " +
              (options.allowWrite ? "allowed" : "refused") + "; at most " +
              std::to_string(options.maxClients) + " clients");
    server.run(signalFd);
    disableInterrupts(served, log);
    log.write("stopped");
    close(signalFd);
    return 0;
}
