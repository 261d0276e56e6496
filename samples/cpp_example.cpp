// Lists the boards that libCorvane finds and switches output 0 on on the first KELOE6100.
// Written like an outside user's program: public headers and libCorvane.so only.
//
//   ./cpp_example [identifier]
//
// Without boards installed, run it over the board simulator, for example:
//   CORVANE_SIM_BOARDS=keloe6100,kelo6100:number=1 LD_PRELOAD=./libcorvane_sim.so ./cpp_example
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <corvane/CorvaneException.h>
#include <corvane/DeviceDiscovery.h>
#include <corvane/DigitalIOInterface.h>

using velmor::corvane::Device;
using velmor::corvane::DeviceDiscovery;
using velmor::corvane::DigitalIOInterface;

namespace {

bool isKeloe6100(const std::string& id) {
    return id.rfind("keloe6100_", 0) == 0 || id.rfind("kelo6100_", 0) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const std::vector<std::shared_ptr<Device>> devices = DeviceDiscovery::getDevices();
        std::printf("Boards found: %zu\n", devices.size());
        std::string target = argc > 1 ? argv[1] : "";
        for (const auto& device : devices) {
            const VelmorDeviceStruct info = device->getDeviceInformation();
            std::printf("  %-16s product %-10s firmware %-20s PCI%s bus %u slot %u\n", info.id,
                        info.general.product_name, info.general.firmware_version,
                        info.general.device_type == VELMOR_DEVICE_PCIE ? " Express" : "",
                        static_cast<unsigned>(info.bus.bus_number),
                        static_cast<unsigned>(info.bus.device_number));
            if (target.empty() && isKeloe6100(info.id)) {
                target = info.id;
            }
        }
        if (target.empty()) {
            std::printf("No KELOE6100 board found.\n");
            return 1;
        }

        std::shared_ptr<Device> board = DeviceDiscovery::getDeviceFromId(target);
        DigitalIOInterface* digital = board->digitalIo();
        if (digital == nullptr) {
            std::printf("%s has no digital channels.\n", target.c_str());
            return 1;
        }
        std::printf("Switching output 0 on on %s\n", target.c_str());
        digital->writeSingleDigitalOutput(0, true);
        std::printf("Output status: 0x%08x\n", static_cast<unsigned>(digital->getDigitalOutputStatus()));
        return 0;
    } catch (const CorvaneException& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
}
