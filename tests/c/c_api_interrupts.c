/* Interrupt callbacks set from C: each interrupt reaches the plain C function on the
 * board's interrupt thread, with its own copies of the device structure and of the
 * driver's record. */
#define _POSIX_C_SOURCE 200809L
#include <pthread.h>
#include <stdatomic.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

#include "c_api_support.h"
#include "corvane_sim.h"

#define MAX_SEEN 64

static atomic_int firstCalls;
static atomic_int secondCalls;
static atomic_int foreignThread;
static pthread_t mainThread;
static VelmorDeviceStruct seenDevice[MAX_SEEN];
static InterruptData seenData[MAX_SEEN];

static void firstCallback(VelmorDeviceStruct device, InterruptData data) {
    const int n = atomic_load(&firstCalls);
    if (n < MAX_SEEN) {
        seenDevice[n] = device;
        seenData[n] = data;
    }
    if (!pthread_equal(pthread_self(), mainThread)) atomic_fetch_add(&foreignThread, 1);
    /* The copies are the callback's own: scribbling on them harms nobody. */
    memset(&device, 0xFF, sizeof device);
    memset(&data, 0xFF, sizeof data);
    atomic_fetch_add(&firstCalls, 1);
}

static void secondCallback(VelmorDeviceStruct device, InterruptData data) {
    (void)device;
    (void)data;
    atomic_fetch_add(&secondCalls, 1);
}

/* Waits up to five seconds for *counter to reach target. */
static int waitFor(atomic_int* counter, int target) {
    for (int i = 0; i < 500; ++i) {
        if (atomic_load(counter) >= target) return 1;
        struct timespec pause = {0, 10 * 1000 * 1000};
        nanosleep(&pause, NULL);
    }
    return atomic_load(counter) >= target;
}

int main(void) {
    mainThread = pthread_self();
    const char* board = "keloe6100_0";

    CHECK(VelmorSetDeviceInterruptCallback(board, firstCallback) == 0);
    CHECK(VelmorEnableDeviceInterrupts(board) == 0);
    CHECK(VelmorEnableDeviceInterrupts(board) == 0x85000502u);

    /* Three interrupts with distinct records, delivered in order. */
    for (uint32_t i = 0; i < 3; ++i) {
        InterruptData data;
        memset(&data, 0, sizeof data);
        data.interrupt_source = 0x10u + i;
        data.interrupt_mask = 0xF0u << i;
        data.args_count = 32;
        for (uint32_t k = 0; k < 32; ++k) data.args[k] = i * 1000u + k;
        CHECK(corvane_sim_queue_interrupt(board, &data) >= 1);
    }
    CHECK(waitFor(&firstCalls, 3));
    CHECK(atomic_load(&foreignThread) == atomic_load(&firstCalls));
    VelmorDeviceStruct expected;
    CHECK(VelmorGetDeviceStructFromDeviceName(board, &expected) == 0);
    for (uint32_t i = 0; i < 3; ++i) {
        CHECK(memcmp(&seenDevice[i], &expected, sizeof expected) == 0);
        CHECK(seenData[i].interrupt_source == 0x10u + i);
        CHECK(seenData[i].interrupt_mask == (0xF0u << i));
        CHECK(seenData[i].args_count == 32);
        CHECK(seenData[i].args[0] == i * 1000u && seenData[i].args[31] == i * 1000u + 31);
    }

    /* The driver's test interrupt arrives the same way. */
    CHECK(VelmorTestDeviceInterrupts(board) == 0);
    CHECK(waitFor(&firstCalls, 4));
    CHECK(seenData[3].interrupt_source == CORVANE_SIM_TEST_INTERRUPT_SOURCE);
    CHECK_STR_EQ(seenDevice[3].id, board);

    CHECK(VelmorDisableDeviceInterrupts(board) == 0);
    CHECK(VelmorDisableDeviceInterrupts(board) == 0);

    /* A null callback is refused and the stored one keeps serving. */
    CHECK(VelmorSetDeviceInterruptCallback(board, NULL) == CODE_NULL_CALLBACK);
    CHECK(VelmorEnableDeviceInterrupts(board) == 0);
    CHECK(VelmorTestDeviceInterrupts(board) == 0);
    CHECK(waitFor(&firstCalls, 5));
    CHECK(VelmorDisableDeviceInterrupts(board) == 0);

    /* Replacing the callback while disabled: only the new one is called. */
    CHECK(VelmorSetDeviceInterruptCallback(board, secondCallback) == 0);
    CHECK(VelmorEnableDeviceInterrupts(board) == 0);
    CHECK(VelmorTestDeviceInterrupts(board) == 0);
    CHECK(waitFor(&secondCalls, 1));
    CHECK(VelmorDisableDeviceInterrupts(board) == 0);
    CHECK(atomic_load(&firstCalls) == 5);
    CHECK(atomic_load(&secondCalls) == 1);

    /* Two boards at once, each with its own thread. */
    CHECK(VelmorSetDeviceInterruptCallback("keloe6100_1", secondCallback) == 0);
    CHECK(VelmorEnableDeviceInterrupts("keloe6100_1") == 0);
    CHECK(VelmorEnableDeviceInterrupts(board) == 0);
    CHECK(VelmorTestDeviceInterrupts("keloe6100_1") == 0);
    CHECK(VelmorTestDeviceInterrupts(board) == 0);
    CHECK(waitFor(&secondCalls, 3));
    CHECK(VelmorDisableDeviceInterrupts("keloe6100_1") == 0);
    CHECK(VelmorDisableDeviceInterrupts(board) == 0);
    CHECK(atomic_load(&secondCalls) == 3);

    return C_CHECK_DONE();
}
