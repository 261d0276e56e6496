// Prints the number of boards the library finds and their identifiers, one a line.
#include <corvane/CorvaneException.h>
#include <corvane/DeviceDiscovery.h>

#include <iostream>

int main() {
    try {
        const auto devices = velmor::corvane::DeviceDiscovery::getDevices();
        std::cout << devices.size() << " boards\n";
        for (const auto& device : devices) std::cout << device->getDeviceInformation().id << "\n";
    } catch (const CorvaneException& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    return 0;
}
