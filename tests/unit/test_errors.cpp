// Error codes, readable texts, the driver error text and the last error.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "CorvaneException.h"
#include "VelmorErrorFunctions.h"

using velmor::corvane::formatError;
using velmor::corvane::IoctlException;
using velmor::corvane::NotImplementedException;

namespace {

const char kHardwareText[] =
    "[CorvaneException] Code: 0x86000f08 [Error got from VELMOR_API source , on domain "
    ":VELMOR_DOMAIN_LINUX_IOCTL, with function :VELMOR_FUNCTION_HANDLE_RETURN, due to reason "
    ":VELMOR_REASON_HARDWARE_FAILURE] Error message : boom";

std::string lastError() {
    char buffer[4096];
    size_t n = VelmorGetLastError(buffer, sizeof buffer - 1);
    return std::string(buffer, n);
}

}  // namespace

// Runs first in its own process (CTest runs every test alone), so nothing failed before.
TEST(LastError, PrintBeforeAnyFailureIsAnEmptyLine) {
    EXPECT_EQ(CorvaneException::getVelmorLastError(), "");
    testing::internal::CaptureStdout();
    EXPECT_EQ(VelmorPrintLastError(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\n");
}

TEST(ErrorCode, DecodesTheFourFields) {
    EXPECT_EQ(CorvaneException::getSource(0x80002603u), 1u);
    EXPECT_EQ(CorvaneException::getDomain(0x80002603u), 0u);
    EXPECT_EQ(CorvaneException::getFunction(0x80002603u), 38u);
    EXPECT_EQ(CorvaneException::getReason(0x80002603u), 3u);
    EXPECT_EQ(CorvaneException::getSource(0x00001208u), 0u);
    EXPECT_EQ(CorvaneException::getFunction(0x00001208u), 18u);
    EXPECT_EQ(CorvaneException::getDomain(0xFF000000u), 0x7Fu);
    // Bits 23..16 belong to no field.
    EXPECT_EQ(CorvaneException::getFunction(0x00FF0000u), 0u);
    EXPECT_EQ(CorvaneException::getReason(0x00FF0000u), 0u);
    EXPECT_EQ(VELMOR_ERROR_CODE(VELMOR_API, VELMOR_DOMAIN_TIMER, VELMOR_FUNCTION_START,
                                VELMOR_REASON_INVALID_ID),
              0x83001310u);
}

TEST(ReadableText, NamesEveryFieldAndTheMessage) {
    CorvaneException e("boom", 0x86000F08u);
    EXPECT_STREQ(e.what(), kHardwareText);
    EXPECT_EQ(e.getCode(), 0x86000F08u);
    EXPECT_EQ(CorvaneException::getVelmorLastError(), kHardwareText);
}

TEST(ReadableText, UnnamedValuesUseTheFallbackWords) {
    CorvaneException reason18("x", VELMOR_ERROR_CODE(1, VELMOR_DOMAIN_TIMER, VELMOR_FUNCTION_INIT, 18));
    EXPECT_NE(std::string(reason18.what()).find(", due to reason :UNKNOWN_REASON]"), std::string::npos);
    CorvaneException reason20("x", VELMOR_ERROR_CODE(1, 0, 0, 20));
    EXPECT_NE(std::string(reason20.what()).find(":UNKNOWN_REASON]"), std::string::npos);
    CorvaneException function46("x", VELMOR_ERROR_CODE(1, VELMOR_DOMAIN_DIGIO, 46, 4));
    EXPECT_NE(std::string(function46.what()).find(", with function :UNKNOWN_FUNCTION,"), std::string::npos);
    CorvaneException function45("x", VELMOR_ERROR_CODE(1, 0, 45, 0));
    EXPECT_NE(std::string(function45.what()).find(":UNKNOWN_FUNCTION,"), std::string::npos);
    CorvaneException domain10("x", VELMOR_ERROR_CODE(1, 10, 0, 0));
    EXPECT_NE(std::string(domain10.what()).find(", on domain :UNKNOWN_DOMAIN,"), std::string::npos);
    CorvaneException driver("x", 0x1208u);
    EXPECT_EQ(std::string(driver.what()).rfind("[CorvaneException] Code: 0x1208 [Error got from VELMOR_DRIVER source , on domain :VELMOR_DOMAIN_GENERIC, with function :VELMOR_FUNCTION_INIT, due to reason :VELMOR_REASON_HARDWARE_FAILURE]", 0), 0u);
}

TEST(ReadableText, EmptyMessageEndsWithTheBracket) {
    CorvaneException e("", 0x80002603u);
    std::string text = e.what();
    EXPECT_EQ(text.back(), ']');
    EXPECT_EQ(text.find("Error message"), std::string::npos);
    EXPECT_EQ(CorvaneException::getVelmorLastError(), text);
}

TEST(CorvaneExceptionObject, DefaultConstructionLeavesTheLastErrorAlone) {
    CorvaneException earlier("earlier", 0x80002603u);
    CorvaneException empty;
    EXPECT_EQ(empty.getCode(), 0u);
    EXPECT_STREQ(empty.what(), "");
    EXPECT_EQ(CorvaneException::getVelmorLastError(), earlier.what());
}

TEST(CorvaneExceptionObject, SetErrorCodeChangesOnlyTheCodeUntilSetMessage) {
    CorvaneException e("first", 0x80002603u);
    const std::string before = e.what();
    e.setErrorCode(0x86000F08u);
    EXPECT_EQ(e.getCode(), 0x86000F08u);
    EXPECT_EQ(std::string(e.what()), before);
    EXPECT_EQ(CorvaneException::getVelmorLastError(), before);
    e.setMessage("boom");
    EXPECT_STREQ(e.what(), kHardwareText);
    EXPECT_EQ(CorvaneException::getVelmorLastError(), kHardwareText);
}

TEST(CorvaneExceptionObject, CaughtExceptionStillBecomesTheLastError) {
    try {
        throw IoctlException("caught", 0x86000E03u);
    } catch (const CorvaneException& e) {
        EXPECT_EQ(std::string(e.what()).rfind("[CorvaneException] Code: 0x86000e03 ", 0), 0u);
    }
    EXPECT_NE(CorvaneException::getVelmorLastError().find("Error message : caught"), std::string::npos);
}

TEST(NotImplemented, NamesTheFunction) {
    NotImplementedException e("readTimerValue");
    EXPECT_STREQ(e.what(), "The function readTimerValue is not implemented for this device");
}

TEST(DriverErrorText, ComposesTheRecord) {
    VelmorErrorType record{};
    std::strcpy(record.driver_name, "keloe6100drv");
    record.device_index = 2;
    std::strcpy(record.function_name, "set_outputs");
    record.error_code = 4294967295u;
    std::strcpy(record.message, "bus fault");
    EXPECT_EQ(formatError(record),
              "keloe6100drv2 generated error 4294967295. Function used was set_outputs.. Error "
              "message was bus fault.");
}

TEST(DriverErrorText, UnterminatedFieldsStayWithinTheirBounds) {
    VelmorErrorType record;
    std::memset(&record, 'A', sizeof record);
    std::memset(record.function_name, 'F', sizeof record.function_name);
    std::memset(record.message, 'M', sizeof record.message);
    record.device_index = 255;
    record.error_code = 7;
    const std::string text = formatError(record);
    EXPECT_EQ(text, std::string(64, 'A') + "255 generated error 7. Function used was " +
                        std::string(128, 'F') + ".. Error message was " + std::string(256, 'M') + ".");
}

TEST(GetLastError, BufferRules) {
    CorvaneException e("boom", 0x86000F08u);
    const size_t length = std::strlen(kHardwareText);
    char buffer[1024];

    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(VelmorGetLastError(buffer, length), length);
    EXPECT_STREQ(buffer, kHardwareText);
    EXPECT_EQ(buffer[length + 1], 'x');

    // Too short: nothing written, 0 returned, and the failure replaces the last error.
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(VelmorGetLastError(buffer, length - 1), 0u);
    EXPECT_EQ(buffer[0], 'x');
    const std::string now = lastError();
    EXPECT_EQ(now.rfind("[CorvaneException] Code: 0x80002603 ", 0), 0u);
    EXPECT_NE(now.find(", due to reason :VELMOR_REASON_INVALID_PARAMETER]"), std::string::npos);
    EXPECT_EQ(now.substr(now.size() - 38), " Error message : error_message is Null");

    EXPECT_EQ(VelmorGetLastError(nullptr, 10), 0u);
    EXPECT_EQ(VelmorGetLastError(buffer, 0), 0u);
}
