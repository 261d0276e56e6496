#include "DigitalPortImpl.h"

namespace velmor {
namespace corvane {

DigitalPortImpl::DigitalPortImpl() : outputMemory(false) {}

DigitalPortImpl::~DigitalPortImpl() = default;

void DigitalPortImpl::setOutputMemoryOn() { outputMemory = true; }

void DigitalPortImpl::setOutputMemoryOff() { outputMemory = false; }

}  // namespace corvane
}  // namespace velmor
