// The exception family of libCorvane and the process-wide last error.
#ifndef CORVANE_CORVANE_EXCEPTION_H
#define CORVANE_CORVANE_EXCEPTION_H

#include <cstdint>
#include <exception>
#include <string>

#include "CorvaneErrors.h"
#include "CorvaneExport.h"
#include "VelmorTypes.h"

// Every failure inside the library: a 32-bit code and a free-text message. Giving the
// exception a message composes its readable text and makes that text the process-wide
// last error, whether or not anyone catches the exception.
class CORVANE_EXPORT CorvaneException : public std::exception {
public:
    // Code 0, empty message and text; the last error is not touched.
    CorvaneException();
    CorvaneException(const std::string& message, uint32_t code);
    ~CorvaneException() override;

    const char* what() const noexcept override;

    uint32_t getCode() const;

    // Decode the given code (not the object's own).
    static uint32_t getSource(uint32_t code);
    static uint32_t getDomain(uint32_t code);
    static uint32_t getFunction(uint32_t code);
    static uint32_t getReason(uint32_t code);

    // Replaces the code only: the readable text and the last error stay as they were.
    void setErrorCode(uint32_t code);
    // Replaces the message, recomposes the readable text and publishes it as last error.
    void setMessage(const std::string& message);
    void buildPrettyMessage();
    void fillLastError();

    const std::string& getMessage() const { return message; }

    // A copy of the process-wide last error text.
    static std::string getVelmorLastError();

    // The readable text for a code and a message, as what() shows it.
    static std::string composeText(uint32_t code, const std::string& message);

protected:
    uint32_t code;
    std::string message;
    std::string prettyMessage;
};

namespace velmor {
namespace corvane {

// Raised by the ioctl transport only; a device object turns it back into a plain
// CorvaneException before it leaves.
class CORVANE_EXPORT IoctlException : public CorvaneException {
public:
    using CorvaneException::CorvaneException;
    ~IoctlException() override;
};

// For code built on the library: names a function a device does not implement.
class CORVANE_EXPORT NotImplementedException : public std::exception {
public:
    explicit NotImplementedException(const std::string& functionName);
    ~NotImplementedException() override;
    const char* what() const noexcept override;

private:
    std::string functionName;
    std::string text;
};

// The driver's account of its last failure as one line of text. Each text field is read
// only within its own bounds, whether or not the driver terminated it.
CORVANE_EXPORT std::string formatError(const VelmorErrorType& error);

// The names printed in readable texts; fallback words for values without a name.
CORVANE_EXPORT const char* sourceName(uint32_t source);
CORVANE_EXPORT const char* domainName(uint32_t domain);
CORVANE_EXPORT const char* functionName(uint32_t function);
CORVANE_EXPORT const char* reasonName(uint32_t reason);

}  // namespace corvane
}  // namespace velmor

#endif
