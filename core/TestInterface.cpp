#include "TestInterface.h"

#include "IoctlCommands.h"

namespace velmor {
namespace corvane {

TestInterface::TestInterface(int handle) : DeviceInterface(handle) {}

TestInterface::~TestInterface() = default;

void TestInterface::testError() { ioctlCall(IoctlTestError, nullptr, 0); }

}  // namespace corvane
}  // namespace velmor
