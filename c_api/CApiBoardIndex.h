// The registry's boards as the C frame finds them: by identifier without building a
// string, each with the capability interfaces it offers resolved once (a board's type never
// changes, and the registry's map never changes once built). Internal to the library.
#ifndef CORVANE_C_API_BOARD_INDEX_H
#define CORVANE_C_API_BOARD_INDEX_H

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "CounterInterface.h"
#include "DeviceDiscoverySingleton.h"
#include "DeviceInterface.h"
#include "DigitalIOCommonInterface.h"
#include "DigitalIOInterface.h"
#include "DigitalIOPortsInterface.h"
#include "InterruptImpl.h"
#include "InterruptInterface.h"
#include "TestInterface.h"
#include "TimerInterface.h"
#include "WatchdogInterface.h"

namespace velmor {
namespace corvane {
namespace capi {

// One board with its capabilities; a capability the board lacks is null. Copying a view
// copies the shared reference to the board.
struct BoardView {
    std::shared_ptr<DeviceInterface> device;
    DigitalIOCommonInterface* digitalCommon = nullptr;
    DigitalIOInterface* digitalChannels = nullptr;
    DigitalIOPortsInterface* digitalPorts = nullptr;
    TimerInterface* timer = nullptr;
    CounterInterface* counter = nullptr;
    WatchdogInterface* watchdog = nullptr;
    InterruptInterface* interrupt = nullptr;
    InterruptImpl* interruptImpl = nullptr;
    TestInterface* test = nullptr;

    // Resolves every capability of the board by a checked cast of its dynamic type.
    static BoardView of(std::shared_ptr<DeviceInterface> board);

    // The board seen through one capability, or null when it does not offer it.
    template <typename Capability>
    Capability* as() const {
        if constexpr (std::is_same_v<Capability, DigitalIOCommonInterface>) {
            return digitalCommon;
        } else if constexpr (std::is_same_v<Capability, DigitalIOInterface>) {
            return digitalChannels;
        } else if constexpr (std::is_same_v<Capability, DigitalIOPortsInterface>) {
            return digitalPorts;
        } else if constexpr (std::is_same_v<Capability, TimerInterface>) {
            return timer;
        } else if constexpr (std::is_same_v<Capability, CounterInterface>) {
            return counter;
        } else if constexpr (std::is_same_v<Capability, WatchdogInterface>) {
            return watchdog;
        } else if constexpr (std::is_same_v<Capability, InterruptInterface>) {
            return interrupt;
        } else if constexpr (std::is_same_v<Capability, InterruptImpl>) {
            return interruptImpl;
        } else if constexpr (std::is_same_v<Capability, TestInterface>) {
            return test;
        } else {
            return dynamic_cast<Capability*>(device.get());
        }
    }
};

class BoardIndex {
public:
    // Every board of the registry, as its map holds them when the index is built.
    explicit BoardIndex(const DeviceDiscoverySingleton& registry);

    // The board with exactly this identifier, or null.
    const BoardView* find(std::string_view id) const;

private:
    std::map<std::string, BoardView, std::less<>> boards;
};

}  // namespace capi
}  // namespace corvane
}  // namespace velmor

#endif
