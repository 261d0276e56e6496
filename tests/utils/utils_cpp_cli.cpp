// Runs one velmor::corvane::utils helper, so that a test can feed its standard input
// through a pipe and read everything it prints.
//
//   utils_cpp_cli SCENARIO [PARAMS...] [-- COMMAND-LINE OPTIONS...]
//
// The same scenarios and options as utils_flat_cli; each prints its result as one last
// line "<...>" (computed before that line is started: the helpers print while they run).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "CorvaneArgParser.h"
#include "CorvaneUtils.h"
#include "DeviceDiscovery.h"

using namespace velmor::corvane;

namespace {

// A board stand-in that only answers with its record.
class RecordDevice : public Device {
public:
    explicit RecordDevice(const VelmorDeviceStruct& record) : record_(record) {}
    VelmorDeviceStruct getDeviceInformation() const override { return record_; }

private:
    VelmorDeviceStruct record_;
};

bool hasTimerRecord(const std::shared_ptr<Device>& device) {
    return device->getDeviceInformation().functions.timer.number_timers > 0;
}
bool hasTimer(const std::shared_ptr<Device>& device) { return device->timer() != nullptr; }
bool hasCounter(const std::shared_ptr<Device>& device) { return device->counter() != nullptr; }
bool hasWatchdog(const std::shared_ptr<Device>& device) { return device->watchdog() != nullptr; }
bool hasPorts(const std::shared_ptr<Device>& device) { return device->digitalIoPorts() != nullptr; }

std::shared_ptr<Device> makeDevice(const std::string& id, const std::string& product, int timers) {
    VelmorDeviceStruct record;
    std::memset(&record, 0, sizeof record);
    std::snprintf(record.id, sizeof record.id, "%s", id.c_str());
    std::snprintf(record.general.product_name, sizeof record.general.product_name, "%s",
                  product.c_str());
    record.functions.timer.number_timers = static_cast<uint8_t>(timers);
    return std::make_shared<RecordDevice>(record);
}

std::vector<unsigned char> bytes(const std::string& text, bool& isNull) {
    std::vector<unsigned char> values(256, 0);
    isNull = text == "null";
    std::size_t n = 0;
    std::size_t start = 0;
    while (!isNull && start <= text.size() && n < values.size()) {
        const std::size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos
                                                                                : comma - start);
        values[n++] = static_cast<unsigned char>(std::strtoul(item.c_str(), nullptr, 16));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return values;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: utils_cpp_cli SCENARIO [PARAMS...] [-- OPTIONS...]\n";
        return 2;
    }
    std::vector<std::string> p;
    std::vector<char*> parserArgv{argv[0]};
    bool options = false;
    for (int i = 2; i < argc; ++i) {
        if (!options && std::strcmp(argv[i], "--") == 0) {
            options = true;
        } else if (options) {
            parserArgv.push_back(argv[i]);
        } else {
            p.emplace_back(argv[i]);
        }
    }
    parserArgv.push_back(nullptr);
    ArgParser::addOption("name", 'n', "a text", true);
    ArgParser::addOption("value", 'v', "a number", true);
    ArgParser::addOption("card", 'c', "a card", true);
    ArgParser::addOption("mode", 'm', "a mode", true);
    ArgParser::parse(static_cast<int>(parserArgv.size()) - 1, parserArgv.data());

    const std::string scenario = argv[1];
    const std::size_t np = p.size();
    const auto rest = [&](std::size_t from) {
        return std::vector<std::string>(p.begin() + static_cast<long>(std::min(from, np)), p.end());
    };

    if (scenario == "string" && np >= 1) {
        const std::string r = utils::promptString(p[0], rest(1));
        std::cout << "<ret=[" << r << "]>\n";
    } else if (scenario == "int" && np == 3) {
        const int r = utils::promptInt(p[0], std::atoi(p[1].c_str()), std::atoi(p[2].c_str()));
        std::cout << "<ret=" << r << ">\n";
    } else if (scenario == "hex" && np == 3) {
        const unsigned r = utils::promptHex(p[0], std::strtoul(p[1].c_str(), nullptr, 0),
                                            std::strtoul(p[2].c_str(), nullptr, 0));
        std::printf("<ret=0x%X>\n", r);
    } else if (scenario == "vstring" && np >= 2) {
        const std::string r = utils::getValidString(p[0], p[1], rest(2));
        std::cout << "<ret=[" << r << "]>\n";
    } else if (scenario == "vint" && np == 4) {
        const int r = utils::getValidInt(p[0], p[1], std::atoi(p[2].c_str()), std::atoi(p[3].c_str()));
        std::cout << "<ret=" << r << ">\n";
    } else if (scenario == "vhex" && np == 4) {
        const unsigned r = utils::getValidHex(p[0], p[1], std::strtoul(p[2].c_str(), nullptr, 0),
                                              std::strtoul(p[3].c_str(), nullptr, 0));
        std::printf("<ret=0x%X>\n", r);
    } else if (scenario == "mode" && np >= 1) {
        // Modes "name" or "name:description"; descriptions as far as the first mode
        // without one.
        std::vector<std::string> modes;
        std::vector<std::string> descriptions;
        bool described = true;
        for (const std::string& item : rest(1)) {
            const std::size_t colon = item.find(':');
            modes.push_back(item.substr(0, colon));
            if (colon == std::string::npos) {
                described = false;
            } else if (described) {
                descriptions.push_back(item.substr(colon + 1));
            }
        }
        const std::string r = utils::selectMode(p[0], modes, descriptions);
        std::cout << "<ret=[" << r << "]>\n";
    } else if (scenario == "select" && np >= 2) {
        std::vector<std::shared_ptr<Device>> devices;
        for (const std::string& item : rest(2)) {
            int many = 0;
            if (std::sscanf(item.c_str(), "many:%d", &many) == 1) {
                for (int k = 0; k < many; ++k) {
                    devices.push_back(makeDevice("dev_" + std::to_string(k), "prod" + std::to_string(k), 1));
                }
                continue;
            }
            if (item == "empty") {
                devices.push_back(nullptr);
                continue;
            }
            const std::size_t a = item.find('/');
            const std::size_t b = item.find('/', a + 1);
            devices.push_back(makeDevice(item.substr(0, a), item.substr(a + 1, b - a - 1),
                                         std::atoi(item.substr(b + 1).c_str())));
        }
        const std::shared_ptr<Device> chosen =
            utils::selectDeviceByCapability(devices, p[0], hasTimerRecord, p[1]);
        int index = -1;
        for (std::size_t i = 0; i < devices.size(); ++i) {
            if (chosen && devices[i] == chosen) index = static_cast<int>(i);
        }
        std::cout << "<ret=" << index << ">\n";
    } else if (scenario == "select-sim" && np == 3) {
        const auto devices = DeviceDiscovery::getDevices();
        bool (*test)(const std::shared_ptr<Device>&) = p[2] == "timer"      ? hasTimer
                                                       : p[2] == "counter"  ? hasCounter
                                                       : p[2] == "watchdog" ? hasWatchdog
                                                                            : hasPorts;
        const auto chosen = utils::selectDeviceByCapability(devices, p[0], test, p[1]);
        std::cout << "<ret=" << (chosen ? chosen->getDeviceInformation().id : "(null)") << ">\n";
    } else if (scenario == "timebase" && np == 1) {
        const int r = static_cast<int>(utils::parseTimebase(p[0]));
        std::cout << "<ret=" << r << ">\n";
    } else if (scenario == "tcw" && np == 1) {
        std::printf("<ret=0x%X>\n", utils::getTcwOptionsFromUser(std::strtoul(p[0].c_str(), nullptr, 0)));
    } else if (scenario == "ports" && np == 4) {
        bool inNull = false;
        bool outNull = false;
        const auto in = bytes(p[2], inNull);
        const auto out = bytes(p[3], outNull);
        utils::displayAllPortsConfigurations(
            static_cast<unsigned short>(std::strtoul(p[0].c_str(), nullptr, 0)),
            inNull ? nullptr : in.data(), outNull ? nullptr : out.data(),
            static_cast<unsigned char>(std::atoi(p[1].c_str())));
        std::cout << "<done>\n";
    } else if (scenario == "exit" && np == 1) {
        utils::exitOnUserInput(std::atoi(p[0].c_str()));
    } else if (scenario == "int-exit" && np == 1) {
        const int r = utils::promptInt("Value", 0, 9);
        std::cout << "<ret=" << r << ">\n";
        utils::exitOnUserInput(std::atoi(p[0].c_str()));
    } else {
        std::cerr << "unknown scenario or wrong parameters: " << scenario << "\n";
        return 2;
    }
    std::cout.flush();
    return 0;
}
