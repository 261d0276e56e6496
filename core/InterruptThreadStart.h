// How the interrupt engine starts its thread. Internal to the library: tests install a
// starter that fails, to see what enabling interrupts does when no thread can be created.
#ifndef CORVANE_INTERRUPT_THREAD_START_H
#define CORVANE_INTERRUPT_THREAD_START_H

#include <functional>
#include <thread>

namespace velmor {
namespace corvane {

// Starts a thread running body; raises std::system_error when no thread can be created.
using InterruptThreadStarter = std::thread (*)(std::function<void()> body);

// Starts the interrupt thread with the installed starter.
std::thread startInterruptThread(std::function<void()> body);

// Installs a starter (null: the standard one, a plain std::thread) and returns the one
// installed before.
InterruptThreadStarter setInterruptThreadStarter(InterruptThreadStarter starter) noexcept;

}  // namespace corvane
}  // namespace velmor

#endif
