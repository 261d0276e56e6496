#include "CorvaneException.h"

#include <cstdio>
#include <cstring>

#include "LastError.h"

namespace velmor {
namespace corvane {

namespace {

const char* const kDomainNames[] = {
    "VELMOR_DOMAIN_GENERIC",    "VELMOR_DOMAIN_COUNTER",    "VELMOR_DOMAIN_DIGIO",
    "VELMOR_DOMAIN_TIMER",      "VELMOR_DOMAIN_WATCHDOG",   "VELMOR_DOMAIN_INTERRUPTS",
    "VELMOR_DOMAIN_LINUX_IOCTL", "VELMOR_DOMAIN_WIN_IOCTL", "VELMOR_DOMAIN_DIG_EVENT",
    "VELMOR_DOMAIN_PLUGIN",
};

const char* const kFunctionNames[] = {
    "VELMOR_FUNCTION_NONE",
    "VELMOR_FUNCTION_READ",
    "VELMOR_FUNCTION_INTERRUPT_CALLBACK",
    "VELMOR_FUNCTION_IOCTL_CALL",
    "VELMOR_FUNCTION_IOCTL_INIT",
    "VELMOR_FUNCTION_ENABLE_INTERRUPT",
    "VELMOR_FUNCTION_CREATE_INTERRUPT",
    "VELMOR_FUNCTION_KILL_INTERRUPT",
    "VELMOR_FUNCTION_EVENT_FD",
    "VELMOR_FUNCTION_WAIT_INTERRUPT",
    "VELMOR_FUNCTION_SELECT_EVENT",
    "VELMOR_FUNCTION_CHECK_RELOAD_VALUE",
    "VELMOR_FUNCTION_CHECK_TIMEBASE",
    "VELMOR_FUNCTION_SET_DEVICE_HANDLE",
    "VELMOR_FUNCTION_CALL",
    "VELMOR_FUNCTION_HANDLE_RETURN",
    "VELMOR_FUNCTION_CHANNEL_RANGE",
    "VELMOR_FUNCTION_INFO",
    "VELMOR_FUNCTION_INIT",
    "VELMOR_FUNCTION_START",
    "VELMOR_FUNCTION_TRIGGER",
    "VELMOR_FUNCTION_CONVERT_FREQ",
    "VELMOR_FUNCTION_STOP",
    "VELMOR_FUNCTION_READ_VALUE",
    "VELMOR_FUNCTION_READ_STATUS",
    "VELMOR_FUNCTION_WRITE_DIGOUT",
    "VELMOR_FUNCTION_INTERRUPT_EVENT",
    "VELMOR_FUNCTION_INTERRUPT_LOGIC",
    "VELMOR_FUNCTION_UPDATE_DIGITAL_INTERRUPT",
    "VELMOR_FUNCTION_GET_DIGOUT_STATUS",
    "VELMOR_FUNCTION_ENSURE_ID",
    "VELMOR_FUNCTION_TEST",
    "VELMOR_FUNCTION_ZILOG_INIT_EVENT",
    "VELMOR_FUNCTION_INIT_DIGIT_INTERRUPT",
    "VELMOR_FUNCTION_START_STOP_TCW",
    "VELMOR_FUNCTION_SET_OUTPUT_MEMORY",
    "VELMOR_FUNCTION_INIT_EVENT_LOGIC",
    "VELMOR_FUNCTION_INIT_TCW_COMPATIBILITY",
    "VELMOR_FUNCTION_API_GET_LAST_ERROR",
    "VELMOR_FUNCTION_DISABLE_INTERRUPT",
    "VELMOR_FUNCTION_GET_DEVICES",
    "VELMOR_FUNCTION_GET_STRING",
    "VELMOR_FUNCTION_GET_INSTANCE",
    "VELMOR_FUNCTION_DIRECT_ACCESS",
    "VELMOR_FUNCTION_OUTPUT_INTERRUPT",
};

const char* const kReasonNames[] = {
    "VELMOR_REASON_NONE",
    "VELMOR_REASON_NOT_INITIALIZED",
    "VELMOR_REASON_ALREADY_INITIALIZED",
    "VELMOR_REASON_INVALID_PARAMETER",
    "VELMOR_REASON_OUT_OF_BOUNDS",
    "VELMOR_REASON_NOT_SUPPORTED",
    "VELMOR_REASON_OVERFLOW",
    "VELMOR_REASON_UNDERFLOW",
    "VELMOR_REASON_HARDWARE_FAILURE",
    "VELMOR_REASON_INVALID_STATE",
    "VELMOR_REASON_CONFIG_ERROR",
    "VELMOR_REASON_INTERNAL_ERROR",
    "VELMOR_REASON_UNKNOWN",
    "VELMOR_REASON_INFO_UNAVAILABLE",
    "VELMOR_REASON_INIT_FAILURE",
    "VELMOR_REASON_INVALID_RETURN_VAL",
    "VELMOR_REASON_INVALID_ID",
    "VELMOR_REASON_INVALID_OPTION",
    nullptr,  // 18 has no name
    "VELMOR_REASON_HANDLE_ERROR",
};

template <size_t N>
const char* lookup(const char* const (&names)[N], uint32_t value, const char* fallback) {
    if (value < N && names[value] != nullptr) {
        return names[value];
    }
    return fallback;
}

// Text of a fixed char field up to its first zero byte, never past the field.
template <size_t N>
std::string boundedText(const char (&field)[N]) {
    const void* end = std::memchr(field, '\0', N);
    size_t length = end ? static_cast<size_t>(static_cast<const char*>(end) - field) : N;
    return std::string(field, length);
}

}  // namespace

const char* sourceName(uint32_t source) { return source == 0 ? "VELMOR_DRIVER" : "VELMOR_API"; }
const char* domainName(uint32_t domain) { return lookup(kDomainNames, domain, "UNKNOWN_DOMAIN"); }
const char* functionName(uint32_t function) {
    return lookup(kFunctionNames, function, "UNKNOWN_FUNCTION");
}
const char* reasonName(uint32_t reason) { return lookup(kReasonNames, reason, "UNKNOWN_REASON"); }

std::string formatError(const VelmorErrorType& error) {
    std::string text = boundedText(error.driver_name);
    text += std::to_string(static_cast<unsigned>(error.device_index));
    text += " generated error ";
    text += std::to_string(error.error_code);
    text += ". Function used was ";
    text += boundedText(error.function_name);
    text += ".";
    text += ". Error message was ";
    text += boundedText(error.message);
    text += ".";
    return text;
}

IoctlException::~IoctlException() = default;

NotImplementedException::NotImplementedException(const std::string& name)
    : functionName(name), text("The function " + name + " is not implemented for this device") {}

NotImplementedException::~NotImplementedException() = default;

const char* NotImplementedException::what() const noexcept { return text.c_str(); }

}  // namespace corvane
}  // namespace velmor

using namespace velmor::corvane;

CorvaneException::CorvaneException() : code(0) {}

CorvaneException::CorvaneException(const std::string& message_, uint32_t code_)
    : code(code_), message(message_) {
    buildPrettyMessage();
    fillLastError();
}

CorvaneException::~CorvaneException() = default;

const char* CorvaneException::what() const noexcept { return prettyMessage.c_str(); }

uint32_t CorvaneException::getCode() const { return code; }

uint32_t CorvaneException::getSource(uint32_t c) { return (c >> 31) & 0x1u; }
uint32_t CorvaneException::getDomain(uint32_t c) { return (c >> 24) & 0x7Fu; }
uint32_t CorvaneException::getFunction(uint32_t c) { return (c >> 8) & 0xFFu; }
uint32_t CorvaneException::getReason(uint32_t c) { return c & 0xFFu; }

void CorvaneException::setErrorCode(uint32_t c) { code = c; }

void CorvaneException::setMessage(const std::string& message_) {
    message = message_;
    buildPrettyMessage();
    fillLastError();
}

std::string CorvaneException::composeText(uint32_t c, const std::string& msg) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%x", static_cast<unsigned>(c));
    std::string text = "[CorvaneException] Code: 0x";
    text += hex;
    text += " [Error got from ";
    text += sourceName(getSource(c));
    text += " source ";
    text += ", on domain :";
    text += domainName(getDomain(c));
    text += ", with function :";
    text += functionName(getFunction(c));
    text += ", due to reason :";
    text += reasonName(getReason(c));
    text += "]";
    if (!msg.empty()) {
        text += " Error message : ";
        text += msg;
    }
    return text;
}

void CorvaneException::buildPrettyMessage() { prettyMessage = composeText(code, message); }

void CorvaneException::fillLastError() { last_error::store(prettyMessage); }

std::string CorvaneException::getVelmorLastError() { return last_error::load(); }
