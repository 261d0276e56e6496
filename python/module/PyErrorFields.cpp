#include "PyErrorFields.h"

#include "CorvaneException.h"

namespace corvane_python {

namespace {

template <typename E>
std::variant<E, U32> field(uint32_t value, bool known) {
    if (known) {
        return static_cast<E>(value);
    }
    return U32{value};
}

}  // namespace

SourceField sourceOf(uint32_t code) {
    const uint32_t value = CorvaneException::getSource(code);
    return field<VelmorSource>(value, value <= VELMOR_API);
}

DomainField domainOf(uint32_t code) {
    const uint32_t value = CorvaneException::getDomain(code);
    return field<VelmorDomain>(value, value <= VELMOR_DOMAIN_PLUGIN);
}

FunctionField functionOf(uint32_t code) {
    const uint32_t value = CorvaneException::getFunction(code);
    return field<VelmorFunction>(value, value <= VELMOR_FUNCTION_OUTPUT_INTERRUPT);
}

ReasonField reasonOf(uint32_t code) {
    const uint32_t value = CorvaneException::getReason(code);
    return field<VelmorReason>(value, value <= VELMOR_REASON_INVALID_OPTION || value == VELMOR_REASON_HANDLE_ERROR);
}

}  // namespace corvane_python
