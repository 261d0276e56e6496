#ifndef CORVANE_TEST_INTERFACE_H
#define CORVANE_TEST_INTERFACE_H

#include "DeviceInterface.h"

namespace velmor {
namespace corvane {

// Lets callers make the driver fail on purpose, to check the error path end to end.
class CORVANE_EXPORT TestInterface : public virtual DeviceInterface {
public:
    // The handle only matters when TestInterface is the most-derived class; boards
    // initialise the shared DeviceInterface base themselves.
    explicit TestInterface(int handle);
    ~TestInterface() override;
    // Sends IoctlTestError (null argument, size 0); a driver failure raises the
    // CorvaneException of the transport with the driver's error text.
    virtual void testError();
};

}  // namespace corvane
}  // namespace velmor

#endif
