// The call frame of the C interface: whatever a body raises becomes a code, never an
// exception, and the last error names the problem.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

#include "CApiFrame.h"
#include "CorvaneException.h"

namespace capi = velmor::corvane::capi;

namespace {

std::string lastError() { return CorvaneException::getVelmorLastError(); }

TEST(CApiFrame, NonCorvaneExceptionsBecomeInternalErrorsWithText) {
    EXPECT_EQ(capi::guarded("VelmorSomething", [] { throw std::bad_alloc(); }), 0x80000E0Bu);
    EXPECT_EQ(lastError().rfind("[CorvaneException] Code: 0x80000e0b ", 0), 0u);
    EXPECT_NE(lastError().find("Error message : VelmorSomething: internal error: std::bad_alloc"),
              std::string::npos);

    EXPECT_EQ(capi::guarded("VelmorOther", [] { throw std::logic_error("HOME is gone"); }),
              0x80000E0Bu);
    EXPECT_NE(lastError().find("VelmorOther: internal error: HOME is gone"), std::string::npos);

    EXPECT_EQ(capi::guarded("VelmorThird", [] { throw 42; }), 0x80000E0Bu);
    EXPECT_NE(lastError().find("VelmorThird: internal error: unknown exception"), std::string::npos);
}

TEST(CApiFrame, CorvaneExceptionsKeepTheirCodeAndText) {
    const uint32_t code = capi::guarded("VelmorX", [] {
        throw velmor::corvane::IoctlException("driver said no", 0x86000F08u);
    });
    EXPECT_EQ(code, 0x86000F08u);
    EXPECT_NE(lastError().find("Error message : driver said no"), std::string::npos);
    EXPECT_EQ(lastError().find("internal error"), std::string::npos);
}

TEST(CApiFrame, BodiesReturnTheirOwnCodeOrZero) {
    const std::string before = lastError();
    EXPECT_EQ(capi::guarded("VelmorX", [] { return uint32_t{0x82002311u}; }), 0x82002311u);
    EXPECT_EQ(capi::guarded("VelmorX", [] {}), 0u);
    EXPECT_EQ(lastError(), before);  // returning a code is not a failure with a text
}

TEST(CApiFrame, ArgumentChecksNameTheFunction) {
    int output = 0;
    EXPECT_EQ(capi::guarded("VelmorRead", [&] { capi::checkOutputs("VelmorRead", {&output, nullptr}); }),
              0x80000E03u);
    EXPECT_NE(lastError().find("VelmorRead: an output pointer is null"), std::string::npos);
    EXPECT_EQ(capi::guarded("VelmorRead", [&] { capi::checkOutputs("VelmorRead", {&output}); }), 0u);

    EXPECT_EQ(capi::guarded("VelmorRead", [] { capi::raiseMissingCapability("keloe5100_0", "counter"); }),
              0x80000E05u);
    EXPECT_NE(lastError().find("Error message : Device keloe5100_0 has no counter"), std::string::npos);
}

TEST(CApiFrame, ConversionsKeepTheLowEightBits) {
    EXPECT_EQ(capi::low8(0x105), 5);
    EXPECT_EQ(capi::low8(-1), 0xFF);
    EXPECT_EQ(capi::low8(0x7FFFFF00), 0);
    EXPECT_FALSE(capi::flag(0x100));
    EXPECT_FALSE(capi::flag(0));
    EXPECT_TRUE(capi::flag(0x201));
    EXPECT_TRUE(capi::flag(-256 + 1));
}

}  // namespace
