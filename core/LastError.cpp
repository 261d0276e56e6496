#include "LastError.h"

#include <mutex>

namespace velmor {
namespace corvane {
namespace last_error {

namespace {

struct State {
    std::mutex lock;
    std::string text;
};

// Never destroyed: exceptions raised while other static objects are torn down at exit
// still find a live value.
State& state() {
    static State* instance = new State();
    return *instance;
}

}  // namespace

void store(const std::string& text) {
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.text = text;
}

std::string load() {
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.text;
}

}  // namespace last_error
}  // namespace corvane
}  // namespace velmor
