// The type of plug-in objects. Plug-ins are shared libraries in the plug-in directory
// exporting `extern "C" PluginInterface* createPlugin()` (null on failure).
#ifndef CORVANE_PLUGIN_INTERFACE_H
#define CORVANE_PLUGIN_INTERFACE_H

#include <string>

#include "CorvaneExport.h"
#include "VelmorTypes.h"

namespace velmor {
namespace corvane {

class CORVANE_EXPORT PluginInterface {
public:
    virtual ~PluginInterface() = default;
    // The plug-in's name; the key under which the board keeps it.
    virtual std::string getName() = 0;
    // Called once, after the board has filled its information, with the open descriptor
    // and a pointer to the board's live device structure.
    virtual void initialize(int handle, VelmorDeviceStruct* information) = 0;
    // Called once before the plug-in object is deleted.
    virtual void shutdown() = 0;
};

}  // namespace corvane
}  // namespace velmor

#endif
