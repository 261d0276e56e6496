/* The simulated boards under the virtual clock, driven through the C interface: a
 * millisecond timer with reload 10 fires exactly five times in 50 ms and a single-cycle
 * one once, the interrupts reach the C callback, a counter counts seven rising edges, a
 * watchdog triggered every 40 ms never runs out, then runs out once and switches the
 * outputs off. */
#define _POSIX_C_SOURCE 200809L
#include <stdatomic.h>
#include <stdint.h>
#include <time.h>

#include "c_api_support.h"
#include "corvane_sim.h"

#define MS 1000000ull

static atomic_int calls;
static InterruptData seen[8];

static void collect(VelmorDeviceStruct device, InterruptData data) {
    (void)device;
    const int n = atomic_load(&calls);
    if (n < 8) seen[n] = data;
    atomic_fetch_add(&calls, 1);
}

/* Waits up to five seconds for the callback to have run n times. */
static void waitForCalls(int n) {
    for (int i = 0; i < 500 && atomic_load(&calls) < n; ++i) {
        struct timespec pause = {0, 10 * 1000 * 1000};
        nanosleep(&pause, NULL);
    }
}

static void pulse(const char* node, unsigned channel, int times) {
    for (int i = 0; i < times; ++i) {
        corvane_sim_set_input(node, channel, 1);
        corvane_sim_set_input(node, channel, 0);
    }
}

int main(void) {
    const char* e6100 = "keloe6100_0";
    const char* k3100 = "kelo3100_0";
    const char* x7100 = "keloe7100_0";
    uint32_t value = 0;
    uint8_t s1 = 0, s2 = 0, s3 = 0;
    unsigned char boards = 0;
    CHECK(VelmorGetNumberOfDevices(&boards) == 0 && boards == 3);
    CHECK(corvane_sim_set_clock(CORVANE_SIM_CLOCK_VIRTUAL) == 0);

    CHECK(VelmorInitTimer(e6100, 0, MILLISECOND, 10, 0) == 0);
    CHECK(VelmorEnableTimerInterrupt(e6100, 0) == 0);
    CHECK(VelmorStartTimer(e6100, 0) == 0);
    CHECK(VelmorInitTimer(k3100, 1, MILLISECOND, 10, SINGLE_CYCLE) == 0);
    CHECK(VelmorEnableTimerInterrupt(k3100, 1) == 0);
    CHECK(VelmorStartTimer(k3100, 1) == 0);
    CHECK(corvane_sim_advance_ns(50 * MS) == 0);
    CHECK(corvane_sim_pending_interrupts(e6100) == 5);
    CHECK(corvane_sim_pending_interrupts(k3100) == 1);
    CHECK(VelmorReadTimerStatus(k3100, 1, &value, &s1, &s2, &s3) == 0);
    CHECK(s1 == 0 && s2 == 1 && s3 == 1); /* ran once and stopped */

    CHECK(VelmorSetDeviceInterruptCallback(e6100, collect) == 0);
    CHECK(VelmorEnableDeviceInterrupts(e6100) == 0);
    waitForCalls(5);
    CHECK(VelmorDisableDeviceInterrupts(e6100) == 0);
    CHECK(atomic_load(&calls) == 5);
    for (uint32_t i = 0; i < 5; ++i) {
        CHECK(seen[i].interrupt_source == CORVANE_SIM_SOURCE_TIMER);
        CHECK(seen[i].interrupt_mask == 1u);
        CHECK(seen[i].args_count == 2 && seen[i].args[0] == 0 && seen[i].args[1] == i + 1);
    }
    CHECK(VelmorStopTimer(e6100, 0) == 0);

    CHECK(VelmorInitCounter(e6100, 1, 100, COUNTER_RISING_EDGE_COUNT | COUNT_DIRECTION_UP) == 0);
    CHECK(VelmorStartCounter(e6100, 1) == 0);
    pulse(e6100, 1, 7);
    CHECK(VelmorReadCounterValue(e6100, 1, &value) == 0);
    CHECK(value == 7);

    CHECK(VelmorWriteAllDigitalOutputs(x7100, 0x0000FFFFu, 1) == 0);
    CHECK(VelmorInitWatchdog(x7100, 0, MILLISECOND, 50, 0) == 0);
    CHECK(VelmorEnableWatchdogInterrupt(x7100, 0) == 0);
    CHECK(VelmorStartWatchdog(x7100, 0) == 0);
    for (int i = 0; i < 5; ++i) {
        CHECK(corvane_sim_advance_ns(40 * MS) == 0);
        CHECK(VelmorTriggerWatchdog(x7100, 0) == 0);
    }
    CHECK(corvane_sim_pending_interrupts(x7100) == 0);
    CHECK(VelmorReadWatchdogStatus(x7100, 0, &value, &s1, &s2, &s3) == 0);
    CHECK(s1 == 1 && s2 == 0);
    CHECK(corvane_sim_advance_ns(200 * MS) == 0);
    CHECK(corvane_sim_pending_interrupts(x7100) == 1);
    CHECK(VelmorReadWatchdogStatus(x7100, 0, &value, &s1, &s2, &s3) == 0);
    CHECK(s1 == 0 && s2 == 1);
    CHECK(VelmorGetDigitalOutputsStatus(x7100, &value) == 0);
    CHECK(value == 0); /* the watchdog switched the outputs off */
    atomic_store(&calls, 0);
    CHECK(VelmorSetDeviceInterruptCallback(x7100, collect) == 0);
    CHECK(VelmorEnableDeviceInterrupts(x7100) == 0);
    waitForCalls(1);
    CHECK(VelmorDisableDeviceInterrupts(x7100) == 0);
    CHECK(atomic_load(&calls) == 1); /* once */
    CHECK(seen[0].interrupt_source == CORVANE_SIM_SOURCE_WATCHDOG && seen[0].interrupt_mask == 1u);
    CHECK(seen[0].args_count == 2 && seen[0].args[0] == 0 && seen[0].args[1] == 1);
    return C_CHECK_DONE();
}
