#include "DigitalImpl.h"

#include <stdexcept>

#include "CorvaneErrors.h"
#include "CorvaneException.h"

namespace velmor {
namespace corvane {

namespace {
constexpr unsigned channelCount = 64;
constexpr unsigned portCount = 4;
}  // namespace

DigitalImpl::DigitalImpl() : outputMemory(false) { initInterruptMaps(); }

DigitalImpl::~DigitalImpl() = default;

void DigitalImpl::setOutputMemoryOn() { outputMemory = true; }

void DigitalImpl::setOutputMemoryOff() { outputMemory = false; }

void DigitalImpl::initInterruptMaps() {
    for (unsigned channel = 0; channel < channelCount; ++channel) {
        channelEventMap[static_cast<uint8_t>(channel)] = UNUSED;
    }
    for (unsigned port = 0; port < portCount; ++port) {
        portLogicMap[static_cast<uint8_t>(port)] = OR;
    }
}

void DigitalImpl::resetEventMaps() {
    // The keys are fixed at construction, so every entry is one of channels 0..63 or
    // ports 0..3.
    for (auto& entry : channelEventMap) {
        entry.second = UNUSED;
    }
    for (auto& entry : portLogicMap) {
        entry.second = OR;
    }
}

bool DigitalImpl::isAnyDigitalInterruptEventSet() {
    try {
        for (unsigned channel = 0; channel < channelCount; ++channel) {
            if (channelEventMap.at(static_cast<uint8_t>(channel)) != UNUSED) {
                return true;
            }
        }
    } catch (const std::out_of_range& e) {
        throw CorvaneException(e.what(), VELMOR_ERROR_CODE(VELMOR_API, VELMOR_DOMAIN_DIGIO,
                                                           VELMOR_FUNCTION_INTERRUPT_EVENT,
                                                           VELMOR_REASON_INVALID_ID));
    }
    return false;
}

void verifyChannelRange(char channel) {
    if (static_cast<unsigned char>(channel) > 15) {
        throw CorvaneException("Wrong channel range. Valid is from 0 to 15.",
                               VELMOR_ERROR_CODE(VELMOR_API, VELMOR_DOMAIN_DIGIO,
                                                 VELMOR_FUNCTION_CHANNEL_RANGE,
                                                 VELMOR_REASON_OUT_OF_BOUNDS));
    }
}

}  // namespace corvane
}  // namespace velmor
