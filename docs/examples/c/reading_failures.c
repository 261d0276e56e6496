/* Three ways a call can fail, and how each reads: the board lacks the capability, the
 * model refuses the operation, the driver refuses the command. */
#include <stdint.h>
#include <stdio.h>

#include <corvane/Corvane.h>

static void report(const char *call, uint32_t code) {
    char text[2048];
    if (code == 0) {
        printf("%s: done\n", call);
        return;
    }
    VelmorGetLastError(text, sizeof text - 1);
    printf("%s: 0x%08X\n  %s\n", call, (unsigned)code, text);
}

int main(int argc, char **argv) {
    const char *board = argc > 1 ? argv[1] : "keloe5100_0";

    /* What the board has: its device structure holds the count of every unit. */
    VelmorDeviceStruct info;
    uint32_t code = VelmorGetDeviceStructFromDeviceName(board, &info);
    if (code != 0) {
        report("VelmorGetDeviceStructFromDeviceName", code);
        return 1;
    }
    printf("%s: %u outputs, %u timers, %u counters, %u watchdogs\n", info.id,
           (unsigned)info.functions.digital.number_outputs,
           (unsigned)info.functions.timer.number_timers,
           (unsigned)info.functions.counter.number_counters,
           (unsigned)info.functions.watchdog.number_watchdogs);

    /* 1. A capability the model does not have at all: nothing is called. */
    report("VelmorStartCounter", VelmorStartCounter(board, 0));
    /* 2. An operation of a capability it has, which this model refuses. */
    report("VelmorWriteSingleDigitalOutput", VelmorWriteSingleDigitalOutput(board, 0, 1));
    /* 3. The driver refuses: this command exists to make the driver fail on purpose. */
    report("VelmorTestError", VelmorTestError(board));
    return 0;
}
