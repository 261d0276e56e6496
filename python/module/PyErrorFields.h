// The four fields of a 32-bit error code as Python sees them: the member of the
// enumeration when the value has one, the plain int otherwise. The library raises values
// without a member itself (function 46 for the port range of the port board, reason 18
// for a time base that is not valid), so decoding never fails.
#ifndef CORVANE_PY_ERROR_FIELDS_H
#define CORVANE_PY_ERROR_FIELDS_H

#include <cstdint>
#include <variant>

#include "CorvaneErrors.h"
#include "PyConversions.h"

namespace corvane_python {

using SourceField = std::variant<VelmorSource, U32>;
using DomainField = std::variant<VelmorDomain, U32>;
using FunctionField = std::variant<VelmorFunction, U32>;
using ReasonField = std::variant<VelmorReason, U32>;

SourceField sourceOf(uint32_t code);
DomainField domainOf(uint32_t code);
FunctionField functionOf(uint32_t code);
ReasonField reasonOf(uint32_t code);

}  // namespace corvane_python

#endif
