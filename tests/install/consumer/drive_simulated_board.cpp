// Sets the inputs of the simulated keloe6100_0 to bit 31 and bit 0 through the simulator,
// reads them through the library, switches output 31 on through the library and reads
// the outputs back from the simulator.
#include <corvane/CorvaneException.h>
#include <corvane/DeviceDiscovery.h>
#include <corvane/DigitalIOInterface.h>
#include <corvane/corvane_sim.h>

#include <cstdint>
#include <cstdio>

int main() {
    if (corvane_sim_set_inputs("keloe6100_0", 0x80000001u) != 0) {
        std::puts("simulator: no keloe6100_0");
        return 1;
    }
    try {
        auto board = velmor::corvane::DeviceDiscovery::getDeviceFromId("keloe6100_0");
        velmor::corvane::DigitalIOInterface* io = board ? board->digitalIo() : nullptr;
        if (io == nullptr) {
            std::puts("library: no digital I/O on keloe6100_0");
            return 1;
        }
        const uint32_t inputs = io->readAllDigitalInput();
        io->writeSingleDigitalOutput(31, true);
        uint32_t outputs = 0;
        if (corvane_sim_get_outputs("keloe6100_0", &outputs) != 0) return 1;
        std::printf("inputs 0x%08x outputs 0x%08x\n", static_cast<unsigned>(inputs),
                    static_cast<unsigned>(outputs));
    } catch (const CorvaneException& e) {
        std::printf("%s\n", e.what());
        return 1;
    }
    return 0;
}
