// A plug-in for the plug-in loading tests. Built several times: TEST_PLUGIN_NAME is the
// name it registers under, TEST_PLUGIN_KIND picks its behaviour (0 a working plug-in,
// 1 no createPlugin, 2 a createPlugin that returns null, 3 a working plug-in that aborts
// the process when it is shut down without having been initialised). Each call is
// appended as one line to the file named by CORVANE_TEST_PLUGIN_EVENTS, when that is set.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "PluginInterface.h"

#ifndef TEST_PLUGIN_NAME
#define TEST_PLUGIN_NAME "alpha"
#endif
#ifndef TEST_PLUGIN_KIND
#define TEST_PLUGIN_KIND 0
#endif

namespace {

void record(const std::string& event) {
    const char* path = std::getenv("CORVANE_TEST_PLUGIN_EVENTS");
    if (path == nullptr) {
        return;
    }
    if (FILE* file = std::fopen(path, "a")) {
        std::fprintf(file, "%s %s\n", TEST_PLUGIN_NAME, event.c_str());
        std::fclose(file);
    }
}

class TestPlugin : public velmor::corvane::PluginInterface {
public:
    TestPlugin() { record("created"); }
    ~TestPlugin() override { record("deleted"); }
    std::string getName() override { return TEST_PLUGIN_NAME; }
    void initialize(int handle, VelmorDeviceStruct* information) override {
        initialized = true;
        record("initialize " + std::to_string(handle) + " " +
               (information != nullptr ? information->id : "null"));
    }
    void shutdown() override {
        if (TEST_PLUGIN_KIND == 3 && !initialized) {
            record("shutdown before initialize");
            std::abort();
        }
        record("shutdown");
    }

private:
    bool initialized = false;
};

}  // namespace

#if TEST_PLUGIN_KIND == 0 || TEST_PLUGIN_KIND == 3
extern "C" __attribute__((visibility("default"))) velmor::corvane::PluginInterface* createPlugin() {
    return new TestPlugin();
}
#elif TEST_PLUGIN_KIND == 2
extern "C" __attribute__((visibility("default"))) velmor::corvane::PluginInterface* createPlugin() {
    record("factory-null");
    return nullptr;
}
#else
// No factory; keep the class so that the library still has code in it.
extern "C" __attribute__((visibility("default"))) int testPluginWithoutFactory() {
    TestPlugin plugin;
    return static_cast<int>(plugin.getName().size());
}
#endif
