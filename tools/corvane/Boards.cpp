#include "Boards.h"

#include <corvane/CorvaneErrors.h>
#include <corvane/CorvaneException.h>
#include <corvane/DeviceDiscovery.h>

#include <vector>

#include "Text.h"
#include "ToolErrors.h"

using velmor::corvane::Device;
using velmor::corvane::DeviceDiscovery;

namespace corvane_tool {

namespace {
constexpr uint32_t kUnknownIdCode =
    VELMOR_ERROR_CODE(VELMOR_API, VELMOR_DOMAIN_GENERIC, VELMOR_FUNCTION_GET_DEVICES, VELMOR_REASON_INVALID_ID);
constexpr uint32_t kNotSupportedCode =
    VELMOR_ERROR_CODE(VELMOR_API, VELMOR_DOMAIN_GENERIC, VELMOR_FUNCTION_CALL, VELMOR_REASON_NOT_SUPPORTED);
}  // namespace

std::shared_ptr<Device> findBoard(const std::string& id) {
    try {
        return DeviceDiscovery::getDeviceFromId(id);
    } catch (const CorvaneException& failure) {
        if (failure.getCode() != kUnknownIdCode) throw;
        std::vector<std::string> known;
        for (const auto& device : DeviceDiscovery::getDevices()) {
            const VelmorDeviceStruct info = device->getDeviceInformation();
            known.push_back(fieldText(info.id));
        }
        throw UnknownBoardError(id, failure.what(), known);
    }
}

std::vector<std::string> capabilityNames(Device& board) {
    const VelmorDeviceStruct info = board.getDeviceInformation();
    const VelmorFunctionInformations& f = info.functions;
    std::vector<std::string> names;
    if (board.digitalIo() != nullptr) names.emplace_back("digital-io");
    if (board.digitalIoPorts() != nullptr) names.emplace_back("ports");
    if (board.timer() != nullptr && f.timer.number_timers > 0) names.emplace_back("timer");
    if (board.counter() != nullptr && f.counter.number_counters > 0) names.emplace_back("counter");
    if (board.watchdog() != nullptr && f.watchdog.number_watchdogs > 0) names.emplace_back("watchdog");
    if (board.interrupt() != nullptr) names.emplace_back("interrupt");
    return names;
}

void raiseMissingCapability(const std::string& id, const std::string& capability) {
    throw CorvaneException("Device " + id + " has no " + capability, kNotSupportedCode);
}

}  // namespace corvane_tool
