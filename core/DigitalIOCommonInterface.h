#ifndef CORVANE_DIGITAL_IO_COMMON_INTERFACE_H
#define CORVANE_DIGITAL_IO_COMMON_INTERFACE_H

#include "CorvaneExport.h"

namespace velmor {
namespace corvane {

// Operations shared by channel and port boards.
class CORVANE_EXPORT DigitalIOCommonInterface {
public:
    virtual void enableDigitalInterrupt() = 0;
    virtual void disableDigitalInterrupt() = 0;
    virtual void setOutputMemoryOn() = 0;
    virtual void setOutputMemoryOff() = 0;
};

}  // namespace corvane
}  // namespace velmor

#endif
