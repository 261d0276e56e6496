#include "CApiBoardIndex.h"

#include <utility>

namespace velmor {
namespace corvane {
namespace capi {

BoardView BoardView::of(std::shared_ptr<DeviceInterface> board) {
    BoardView view;
    DeviceInterface* device = board.get();
    view.digitalChannels = dynamic_cast<DigitalIOInterface*>(device);
    view.digitalPorts = dynamic_cast<DigitalIOPortsInterface*>(device);
    // The common digital operations are reached through the channel or the port interface
    // first, so that a board offering both kinds of digital I/O is still served.
    if (view.digitalChannels != nullptr) {
        view.digitalCommon = view.digitalChannels;
    } else if (view.digitalPorts != nullptr) {
        view.digitalCommon = view.digitalPorts;
    } else {
        view.digitalCommon = dynamic_cast<DigitalIOCommonInterface*>(device);
    }
    view.timer = dynamic_cast<TimerInterface*>(device);
    view.counter = dynamic_cast<CounterInterface*>(device);
    view.watchdog = dynamic_cast<WatchdogInterface*>(device);
    view.interrupt = dynamic_cast<InterruptInterface*>(device);
    view.interruptImpl = dynamic_cast<InterruptImpl*>(device);
    view.test = dynamic_cast<TestInterface*>(device);
    view.device = std::move(board);
    return view;
}

BoardIndex::BoardIndex(const DeviceDiscoverySingleton& registry) {
    for (auto& entry : registry.getAllDevices()) {
        boards.emplace(entry.first, BoardView::of(std::move(entry.second)));
    }
}

const BoardView* BoardIndex::find(std::string_view id) const {
    const auto found = boards.find(id);
    return found == boards.end() ? nullptr : &found->second;
}

}  // namespace capi
}  // namespace corvane
}  // namespace velmor
