/* A long stream of interrupts into a C callback while two other threads drive outputs,
 * one on the interrupt's board and one on another board. The stream is fed only while
 * the simulated FIFO has room, so nothing may be lost: every interrupt reaches the
 * callback once, in the order queued, and the other threads never see a failure.
 * Full size: 1,000,000 interrupts. */
#define _POSIX_C_SOURCE 200809L
#include <pthread.h>
#include <stdatomic.h>
#include <stdint.h>
#include <stdio.h>

#include "stress_support.h"

#define BOARD "keloe6100_0"
#define OTHER_BOARD "keloe6100_1"
#define SOURCE 0x00000010u
#define BATCH 512u

static atomic_uint_fast64_t delivered;
static atomic_uint_fast64_t outOfOrder;
static atomic_uint_fast64_t wrongSource;
static atomic_int stopWorkers;

static void onInterrupt(VelmorDeviceStruct device, InterruptData data) {
    (void)device;
    const uint64_t expected = atomic_load(&delivered);
    if (data.args[0] != (uint32_t)expected) atomic_fetch_add(&outOfOrder, 1);
    if (data.interrupt_source != SOURCE || data.args_count != 1) atomic_fetch_add(&wrongSource, 1);
    atomic_store(&delivered, expected + 1);
}

typedef struct {
    const char* board;
    long calls;
    long failures;
    uint32_t firstCode;
} Worker;

/* Switches one output at a time and reads the status word back: this thread is the
 * only writer, so the word is exactly what it wrote. */
static void* driveOutputs(void* argument) {
    Worker* w = argument;
    uint32_t expected = 0;
    for (unsigned i = 0; !atomic_load(&stopWorkers); ++i) {
        const int channel = (int)(i % 32u);
        const int state = (int)((i / 32u) % 2u == 0u);
        uint32_t status = 0;
        uint32_t inputs = 0;
        uint32_t code = VelmorWriteSingleDigitalOutput(w->board, channel, state);
        if (code == 0) code = VelmorGetDigitalOutputsStatus(w->board, &status);
        if (code == 0) code = VelmorReadAllDigitalInputs(w->board, &inputs);
        expected = state ? (expected | (1u << channel)) : (expected & ~(1u << channel));
        if (code != 0 || status != expected) {
            if (w->failures++ == 0) w->firstCode = code;
        }
        w->calls += 3;
    }
    return NULL;
}

int main(void) {
    setvbuf(stdout, NULL, _IOLBF, 0); /* each figure as soon as it is known */
    const long total = scaled(1000000, 1000);
    corvane_sim_set_trace_limit(0);
    printf("stress_interrupts: %ld interrupts into a C callback, two threads driving outputs\n", total);

    EXPECT(VelmorSetDeviceInterruptCallback(BOARD, onInterrupt) == 0, "set callback");
    EXPECT(VelmorEnableDeviceInterrupts(BOARD) == 0, "enable");
    Worker workers[2] = {{BOARD, 0, 0, 0}, {OTHER_BOARD, 0, 0, 0}};
    pthread_t threads[2];
    for (int i = 0; i < 2; ++i) pthread_create(&threads[i], NULL, driveOutputs, &workers[i]);

    const double start = nowSeconds();
    long queued = 0;
    long refused = 0;
    while (queued < total) {
        const int pending = corvane_sim_pending_interrupts(BOARD);
        if (pending < 0 || (unsigned)pending + BATCH > CORVANE_SIM_INTERRUPT_QUEUE_SIZE) {
            pauseMicroseconds(50);
            continue;
        }
        for (unsigned k = 0; k < BATCH && queued < total; ++k) {
            if (queueNumbered(BOARD, SOURCE, (uint32_t)queued) == 0) {
                ++queued;
            } else {
                ++refused;
                break;
            }
        }
    }
    /* Every interrupt reaches the callback within a generous time. */
    const double deadline = nowSeconds() + 60.0;
    while ((long)atomic_load(&delivered) < total && nowSeconds() < deadline) pauseMicroseconds(200);
    const double elapsed = nowSeconds() - start;
    atomic_store(&stopWorkers, 1);
    for (int i = 0; i < 2; ++i) pthread_join(threads[i], NULL);
    EXPECT(VelmorDisableDeviceInterrupts(BOARD) == 0, "disable");

    const long got = (long)atomic_load(&delivered);
    const long dropped = corvane_sim_dropped_interrupts(BOARD);
    printf("queued %ld, delivered %ld, lost %ld, out of order %lu, refused by the FIFO %ld, dropped %ld\n",
           queued, got, queued - got, (unsigned long)atomic_load(&outOfOrder), refused, dropped);
    printf("%.2f s, %.0f interrupts/s; calls beside them: %ld on %s, %ld on %s (%.0f calls/s)\n", elapsed,
           (double)got / elapsed, workers[0].calls, BOARD, workers[1].calls, OTHER_BOARD,
           (double)(workers[0].calls + workers[1].calls) / elapsed);
    EXPECT(got == total, "delivered %ld of %ld", got, total);
    EXPECT(atomic_load(&outOfOrder) == 0, "%lu out of order", (unsigned long)atomic_load(&outOfOrder));
    EXPECT(atomic_load(&wrongSource) == 0, "%lu records altered", (unsigned long)atomic_load(&wrongSource));
    EXPECT(refused == 0 && dropped == 0, "refused %ld, dropped %ld", refused, dropped);
    for (int i = 0; i < 2; ++i) {
        EXPECT(workers[i].calls > 0 && workers[i].failures == 0, "%s: %ld failures of %ld calls, first 0x%08x",
               workers[i].board, workers[i].failures, workers[i].calls, workers[i].firstCode);
    }
    return stressDone("stress_interrupts");
}
