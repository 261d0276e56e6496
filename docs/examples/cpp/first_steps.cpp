// First steps with libCorvane from C++: list the boards, read the inputs of one board,
// switch outputs and read them back, and read a failure.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include <corvane/CorvaneException.h>
#include <corvane/DeviceDiscovery.h>
#include <corvane/DigitalIOInterface.h>

using velmor::corvane::Device;
using velmor::corvane::DeviceDiscovery;
using velmor::corvane::DigitalIOInterface;

int main(int argc, char** argv) {
    const std::string id = argc > 1 ? argv[1] : "keloe6100_0";
    try {
        // 1. The boards, in identifier order.
        const auto boards = DeviceDiscovery::getDevices();
        std::printf("Boards: %zu\n", boards.size());
        for (const std::shared_ptr<Device>& board : boards) {
            const VelmorDeviceStruct info = board->getDeviceInformation();
            std::printf("  %-12s %-10s inputs %2u, outputs %2u, ports %2u\n", info.id,
                        info.general.product_name, unsigned{info.functions.digital.number_inputs},
                        unsigned{info.functions.digital.number_outputs},
                        unsigned{info.functions.digital.number_of_ports});
        }

        // 2. One board by its identifier; each capability is null when the board lacks it.
        const std::shared_ptr<Device> board = DeviceDiscovery::getDeviceFromId(id);
        DigitalIOInterface* digital = board->digitalIo();
        if (digital == nullptr) {
            std::printf("%s has no numbered digital channels\n", id.c_str());
            return 1;
        }
        std::printf("%s inputs: 0x%08X, input 3 is %s\n", id.c_str(), digital->readAllDigitalInput(),
                    digital->readSingleDigitalInput(3) ? "on" : "off");

        // 3. Switch output 0 and outputs 12 to 15 on, output 0 off again, read them back.
        digital->writeSingleDigitalOutput(0, true);
        digital->writeAllDigitalOutput(0x0000F000u, true);
        std::printf("%s outputs: 0x%08X\n", id.c_str(), digital->getDigitalOutputStatus());
        digital->writeSingleDigitalOutput(0, false);
        std::printf("%s outputs: 0x%08X\n", id.c_str(), digital->getDigitalOutputStatus());

        // 4. A failure: output 32 does not exist. The call raises before the board sees it.
        try {
            digital->writeSingleDigitalOutput(32, true);
        } catch (const CorvaneException& e) {
            const uint32_t code = e.getCode();
            std::printf("writeSingleDigitalOutput(32) failed with code 0x%08X\n", code);
            std::printf("  %s, %s, %s, %s\n",
                        velmor::corvane::sourceName(CorvaneException::getSource(code)),
                        velmor::corvane::domainName(CorvaneException::getDomain(code)),
                        velmor::corvane::functionName(CorvaneException::getFunction(code)),
                        velmor::corvane::reasonName(CorvaneException::getReason(code)));
            std::printf("  message: %s\n", e.getMessage().c_str());
        }
        return 0;
    } catch (const CorvaneException& e) {
        // Any other failure: what() is the readable text, with the code in front.
        std::printf("%s\n", e.what());
        return 1;
    }
}
