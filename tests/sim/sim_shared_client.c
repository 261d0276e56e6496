/* A program of the shared-board tests: it reaches the boards of a simulator server
 * (CORVANE_SIM_SERVER) through the library's C interface, as any application would.
 *
 *   sim_shared_client write-then-hammer BOARD CHANNEL   switch an output on, print "ready",
 *                                                       then read the inputs until killed
 *   sim_shared_client read-outputs BOARD                print "outputs=0x........"
 *   sim_shared_client wait-interrupts BOARD COUNT [CH]  enable interrupts (and the rising
 *                                                       edge of input CH), print "ready",
 *                                                       print each interrupt that arrives
 *                                                       (reading inputs meanwhile), then
 *                                                       "inputs=0x........"; exit 0 after
 *                                                       COUNT, 1 after 20 s without
 *   sim_shared_client fork BOARD                        a forked child: the parent's nodes
 *                                                       fail cleanly, a node of its own works
 *
 * Linked with the simulator ahead of the C library (sanitizers need their runtime first). */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <corvane/Corvane.h>

#define MAX_SEEN 16

static atomic_int seen;
static InterruptData records[MAX_SEEN];

static void onInterrupt(VelmorDeviceStruct device, InterruptData data) {
    (void)device;
    const int n = atomic_load(&seen);
    if (n < MAX_SEEN) records[n] = data;
    atomic_fetch_add(&seen, 1);
}

static int failed(const char* what, uint32_t code) {
    char text[2048] = {0};
    VelmorGetLastError(text, sizeof text - 1);
    printf("%s failed: 0x%08x %s\n", what, code, text);
    return 1;
}

static void pause_ms(long ms) {
    struct timespec t = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&t, NULL);
}

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const char* mode = argv[1];
    const char* board = argv[2];
    uint32_t code;
    setvbuf(stdout, NULL, _IOLBF, 0);

    if (strcmp(mode, "write-then-hammer") == 0 && argc == 4) {
        if ((code = VelmorSetOutputMemory(board, 1)) != 0) return failed("VelmorSetOutputMemory", code);
        if ((code = VelmorWriteSingleDigitalOutput(board, atoi(argv[3]), 1)) != 0) {
            return failed("VelmorWriteSingleDigitalOutput", code);
        }
        printf("ready\n");
        for (;;) {
            uint32_t inputs = 0;
            if ((code = VelmorReadAllDigitalInputs(board, &inputs)) != 0) return failed("VelmorReadAllDigitalInputs", code);
        }
    }
    if (strcmp(mode, "read-outputs") == 0) {
        uint32_t outputs = 0;
        if ((code = VelmorGetDigitalOutputsStatus(board, &outputs)) != 0) return failed("VelmorGetDigitalOutputsStatus", code);
        printf("outputs=0x%08x\n", outputs);
        return 0;
    }
    if (strcmp(mode, "wait-interrupts") == 0 && (argc == 4 || argc == 5)) {
        const int count = atoi(argv[3]);
        if ((code = VelmorSetDeviceInterruptCallback(board, onInterrupt)) != 0) {
            return failed("VelmorSetDeviceInterruptCallback", code);
        }
        if (argc == 5) {  /* an input event: the rising edge of that input */
            if ((code = VelmorSetInterruptEventForOneInput(board, atoi(argv[4]), RISING_EDGE)) != 0) {
                return failed("VelmorSetInterruptEventForOneInput", code);
            }
            if ((code = VelmorEnableDigitalInterrupt(board)) != 0) return failed("VelmorEnableDigitalInterrupt", code);
        }
        if ((code = VelmorEnableDeviceInterrupts(board)) != 0) return failed("VelmorEnableDeviceInterrupts", code);
        printf("ready\n");
        int printed = 0;
        for (int i = 0; i < 20000 && printed < count; ++i) {
            uint32_t inputs = 0;  /* the caller's thread meets the interrupt thread */
            if ((code = VelmorReadAllDigitalInputs(board, &inputs)) != 0) return failed("VelmorReadAllDigitalInputs", code);
            while (printed < atomic_load(&seen) && printed < MAX_SEEN) {
                const InterruptData* d = &records[printed++];
                printf("interrupt source=0x%08x mask=0x%08x args=%u:", d->interrupt_source, d->interrupt_mask,
                       d->args_count);
                for (uint32_t k = 0; k < d->args_count && k < 32; ++k) printf(" %u", d->args[k]);
                printf("\n");
            }
            pause_ms(1);
        }
        VelmorDisableDeviceInterrupts(board);
        uint32_t inputs = 0;
        if ((code = VelmorReadAllDigitalInputs(board, &inputs)) != 0) return failed("VelmorReadAllDigitalInputs", code);
        printf("inputs=0x%08x\n", inputs);
        return printed >= count ? 0 : 1;
    }
    if (strcmp(mode, "fork") == 0) {
        uint32_t inputs = 0;
        if ((code = VelmorReadAllDigitalInputs(board, &inputs)) != 0) return failed("VelmorReadAllDigitalInputs", code);
        const pid_t child = fork();
        if (child == 0) {
            /* The registry's descriptor is the parent's node: every command fails cleanly. */
            code = VelmorReadAllDigitalInputs(board, &inputs);
            printf("child inherited: 0x%08x\n", code);
            char path[80];
            snprintf(path, sizeof path, "/dev/%s", board);
            const int fd = open(path, O_RDWR);
            uint32_t word = 0xFFFFFFFFu;
            const int r = fd >= 0 ? ioctl(fd, 0xC0084110u, &word) : -1;
            printf("child own: fd=%s result=%d inputs=0x%08x\n", fd >= 0 ? "yes" : "no", r, word);
            if (fd >= 0) close(fd);
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        /* The parent's node is untouched by the child. */
        code = VelmorReadAllDigitalInputs(board, &inputs);
        printf("parent after: 0x%08x inputs=0x%08x\n", code, inputs);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
    }
    return 2;
}
