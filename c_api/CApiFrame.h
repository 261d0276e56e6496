// The frame shared by every exported C function of the operation families: find the
// registry, find the board by its identifier, view it through one capability, run the
// operation and turn whatever it raises into a 32-bit error code. Internal to the
// library: C callers never include it.
//
// Rules every C function keeps through this frame:
// - no exception ever leaves it;
// - a CorvaneException (or a type derived from it) returns its own code; its readable
//   text is already the last error;
// - a null device name or a null output pointer returns 0x80000E03, a board without
//   the capability the operation needs returns 0x80000E05, any other exception returns
//   0x80000E0B; each of these sets the last error to a text that names the problem;
// - on failure nothing is written through the caller's pointers, and when an argument is
//   rejected nothing is called on the board;
// - the steps keep their order, so that the first failure on the way is the one
//   reported: registry, device name, look-up, capability view, output pointers,
//   operation. A null output on an unknown board reports the unknown board (0x80002810),
//   and a failed registry build reports its own code whatever the arguments.
#ifndef CORVANE_C_API_FRAME_H
#define CORVANE_C_API_FRAME_H

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <memory>
#include <string>
#include <type_traits>

#include "CApiBoardIndex.h"
#include "CorvaneErrors.h"
#include "CorvaneException.h"
#include "DeviceInterface.h"

namespace velmor {
namespace corvane {
namespace capi {

constexpr uint32_t kInvalidParameterCode = VELMOR_ERROR_CODE(
    VELMOR_API, VELMOR_DOMAIN_GENERIC, VELMOR_FUNCTION_CALL, VELMOR_REASON_INVALID_PARAMETER);
constexpr uint32_t kNotSupportedCode = VELMOR_ERROR_CODE(
    VELMOR_API, VELMOR_DOMAIN_GENERIC, VELMOR_FUNCTION_CALL, VELMOR_REASON_NOT_SUPPORTED);
constexpr uint32_t kInternalErrorCode = VELMOR_ERROR_CODE(
    VELMOR_API, VELMOR_DOMAIN_GENERIC, VELMOR_FUNCTION_CALL, VELMOR_REASON_INTERNAL_ERROR);

// Only the low 8 bits of a C index, channel, port or 8-bit value count.
inline uint8_t low8(int value) { return static_cast<uint8_t>(static_cast<unsigned int>(value)); }
// A flag is true when its low 8 bits are not 0.
inline bool flag(int value) { return low8(value) != 0; }

// Raises CorvaneException 0x80000E03 naming the function and the null argument.
[[noreturn]] void raiseNullArgument(const char* function, const char* argument);
// Raises CorvaneException 0x80000E05: "Device <id> has no <capability>".
[[noreturn]] void raiseMissingCapability(const char* deviceName, const char* capability);
// Sets the last error for an exception that is not a CorvaneException and returns
// 0x80000E0B. Never throws, even when composing the text fails.
uint32_t reportInternalError(const char* function, const char* what) noexcept;

// Checks every output pointer: a null one raises 0x80000E03.
void checkOutputs(const char* function, std::initializer_list<const void*> outputs);

// The board registered under deviceName with its capabilities; the view holds a shared
// reference to the board. The registry is built first (on first use; its failure is
// raised as it is), then a null name raises 0x80000E03, and an unknown name raises the
// registry's own failure, CorvaneException 0x80002810 "map::at".
BoardView lookUpBoard(const char* function, const char* deviceName);
// The board registered under deviceName, as lookUpBoard finds it.
std::shared_ptr<DeviceInterface> lookUpDevice(const char* function, const char* deviceName);

// Runs body and turns whatever it raises into an error code. A body that returns a code
// itself (uint32_t) has that code returned when it finishes normally.
template <typename Body>
uint32_t guarded(const char* function, Body&& body) noexcept {
    try {
        if constexpr (std::is_void_v<std::invoke_result_t<Body&>>) {
            body();
            return 0;
        } else {
            return static_cast<uint32_t>(body());
        }
    } catch (const CorvaneException& failure) {
        return failure.getCode();
    } catch (const std::exception& failure) {
        return reportInternalError(function, failure.what());
    } catch (...) {
        return reportInternalError(function, "unknown exception");
    }
}

// The whole frame: registry, device name, look-up, capability view, output pointers,
// operation. The shared reference to the board is released when the call ends, on every
// path.
template <typename Capability, typename Body>
uint32_t callOn(const char* function, const char* deviceName, const char* capabilityName,
                std::initializer_list<const void*> outputs, Body&& body) noexcept {
    return guarded(function, [&]() -> uint32_t {
        const BoardView board = lookUpBoard(function, deviceName);
        Capability* capability = board.as<Capability>();
        if (capability == nullptr) {
            raiseMissingCapability(deviceName, capabilityName);
        }
        checkOutputs(function, outputs);
        if constexpr (std::is_void_v<std::invoke_result_t<Body&, Capability&>>) {
            body(*capability);
            return 0;
        } else {
            return static_cast<uint32_t>(body(*capability));
        }
    });
}

}  // namespace capi
}  // namespace corvane
}  // namespace velmor

#endif
