#include "InterruptThreadStart.h"

#include <atomic>
#include <utility>

namespace velmor {
namespace corvane {

namespace {

std::thread standardStarter(std::function<void()> body) { return std::thread(std::move(body)); }

std::atomic<InterruptThreadStarter> installedStarter{&standardStarter};

}  // namespace

std::thread startInterruptThread(std::function<void()> body) {
    return installedStarter.load()(std::move(body));
}

InterruptThreadStarter setInterruptThreadStarter(InterruptThreadStarter starter) noexcept {
    return installedStarter.exchange(starter != nullptr ? starter : &standardStarter);
}

}  // namespace corvane
}  // namespace velmor
