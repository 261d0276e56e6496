/* The C interface on a system without boards: the lists are empty and every operation
 * fails with the unknown-device code, also when an output pointer is null; a null device
 * name is still told apart. */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "c_api_support.h"

static void onInterrupt(VelmorDeviceStruct device, InterruptData data) {
    (void)device;
    (void)data;
}

int main(void) {
    const char* name = "keloe6100_0";

    unsigned char count = 0xAB;
    CHECK(VelmorGetNumberOfDevices(&count) == 0);
    CHECK(count == 0);

    /* An empty list writes nothing. */
    VelmorDeviceStruct list[2];
    memset(list, 0x5A, sizeof list);
    CHECK(VelmorGetDeviceList(list) == 0);
    const unsigned char* bytes = (const unsigned char*)list;
    int untouched = 1;
    for (size_t i = 0; i < sizeof list; ++i) untouched = untouched && bytes[i] == 0x5A;
    CHECK(untouched);

    VelmorDeviceStruct info;
    memset(&info, 0x5A, sizeof info);
    CHECK(VelmorGetDeviceStructFromDeviceName(name, &info) == CODE_UNKNOWN_DEVICE);
    CHECK_LAST_ERROR("80002810", "Error message : map::at");
    CHECK(((unsigned char*)&info)[0] == 0x5A && ((unsigned char*)&info)[sizeof info - 1] == 0x5A);

    /* Every operation function looks the board up first. */
    uint32_t u32 = 0x11111111u;
    uint8_t a = 0x22, b = 0x33, c = 0x44, d = 0x55;
    const uint32_t codes[] = {
        VelmorTestError(name),
        VelmorInitCounter(name, 0, 10, 0),
        VelmorStartCounter(name, 0),
        VelmorStopCounter(name, 0),
        VelmorReadCounterValue(name, 0, &u32),
        VelmorReadCounterStatus(name, 0, &u32, &a, &b, &c),
        VelmorEnableCounterInterrupt(name, 0),
        VelmorDisableCounterInterrupt(name, 0),
        VelmorEnableDigitalInterrupt(name),
        VelmorDisableDigitalInterrupt(name),
        VelmorSetOutputMemory(name, 1),
        VelmorSetOutputMemory(name, 2), /* the look-up comes before the flag check */
        VelmorReadSingleDigitalInput(name, 0, &d),
        VelmorReadAllDigitalInputs(name, &u32),
        VelmorWriteSingleDigitalOutput(name, 0, 1),
        VelmorWriteAllDigitalOutputs(name, 1, 1),
        VelmorGetDigitalOutputsStatus(name, &u32),
        VelmorSetInterruptEventForInputs(name, 0x10, RISING_EDGE),
        VelmorSetInterruptEventForOneInput(name, 4, RISING_EDGE),
        VelmorSetInterruptLogicForPort(name, 0, AND),
        VelmorSetDigitalOutputInterrupt(name, 1, 0),
        VelmorSetAllDigitalPortsDirection(name, 1),
        VelmorGetAllDigitalPortDirections(name, &u32),
        VelmorReadAllDigitalInputsFromPort(name, 0, &d),
        VelmorWriteSingleDigitalOutputOnPort(name, 0, 1, 0),
        VelmorWriteAllDigitalOutputsOnPort(name, 0xFF, 1, 0),
        VelmorGetDigitalOutputsStatusOnPort(name, 0, &d),
        VelmorSetDeviceInterruptCallback(name, onInterrupt),
        VelmorSetDeviceInterruptCallback(name, NULL),
        VelmorEnableDeviceInterrupts(name),
        VelmorDisableDeviceInterrupts(name),
        VelmorTestDeviceInterrupts(name),
        VelmorClearInterruptFifo(name),
        VelmorInitTimer(name, 0, MILLISECOND, 10, 0),
        VelmorSetCustomTimerFrequency(name, 1000),
        VelmorStartTimer(name, 0),
        VelmorStopTimer(name, 0),
        VelmorTriggerTimer(name, 0),
        VelmorReadTimerValue(name, 0, &u32),
        VelmorReadTimerStatus(name, 0, &u32, &a, &b, &c),
        VelmorEnableTimerInterrupt(name, 0),
        VelmorDisableTimerInterrupt(name, 0),
        VelmorInitWatchdog(name, 0, MILLISECOND, 10, 0),
        VelmorStartWatchdog(name, 0),
        VelmorStopWatchdog(name, 0),
        VelmorTriggerWatchdog(name, 0),
        VelmorReadWatchdogValue(name, 0, &u32),
        VelmorReadWatchdogStatus(name, 0, &u32, &a, &b, &c),
        VelmorEnableWatchdogInterrupt(name, 0),
        VelmorDisableWatchdogInterrupt(name, 0),
    };
    for (size_t i = 0; i < sizeof codes / sizeof codes[0]; ++i) {
        if (codes[i] != CODE_UNKNOWN_DEVICE) {
            fprintf(stderr, "call %zu returned 0x%08X\n", i, (unsigned)codes[i]);
        }
        CHECK(codes[i] == CODE_UNKNOWN_DEVICE);
    }
    CHECK(u32 == 0x11111111u && a == 0x22 && b == 0x33 && c == 0x44 && d == 0x55);

    /* A null device name has its own code and text. */
    CHECK(VelmorReadAllDigitalInputs(NULL, &u32) == CODE_INVALID_PARAMETER);
    CHECK_LAST_ERROR("80000e03", "VelmorReadAllDigitalInputs: the device name is null");
    CHECK(VelmorStartTimer(NULL, 0) == CODE_INVALID_PARAMETER);
    CHECK(VelmorTestError(NULL) == CODE_INVALID_PARAMETER);
    CHECK(VelmorGetDeviceStructFromDeviceName(NULL, &info) == CODE_INVALID_PARAMETER);
    /* Output pointers are looked at only once the board is found: the unknown board is
     * what these calls report, and nothing is written. */
    CHECK(VelmorReadAllDigitalInputs(name, NULL) == CODE_UNKNOWN_DEVICE);
    CHECK_LAST_ERROR("80002810", "map::at");
    CHECK(VelmorReadCounterStatus(name, 0, &u32, &a, NULL, &c) == CODE_UNKNOWN_DEVICE);
    CHECK(u32 == 0x11111111u && a == 0x22 && c == 0x44);
    CHECK(VelmorGetDeviceStructFromDeviceName(name, NULL) == CODE_UNKNOWN_DEVICE);
    CHECK(VelmorGetNumberOfDevices(NULL) == CODE_INVALID_PARAMETER);
    CHECK_LAST_ERROR("80000e03", "VelmorGetNumberOfDevices: count is null");
    /* No board: nothing to write, so no buffer is needed and the last error stays. */
    CHECK(VelmorGetDeviceList(NULL) == 0);
    CHECK_LAST_ERROR("80000e03", "VelmorGetNumberOfDevices: count is null");

    return C_CHECK_DONE();
}
