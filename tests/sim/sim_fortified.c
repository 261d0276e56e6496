/* A caller built with -D_FORTIFY_SOURCE=2 -O2: flags that the compiler cannot see make
 * the C library headers route open and openat through the checking entry points
 * (__open_2 and __openat_2, or their 64-bit names with _FILE_OFFSET_BITS=64). The
 * simulator must catch both. Needs CORVANE_SIM_BOARDS=keloe6100. */
#include <fcntl.h>
#include <stdio.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "corvane_sim.h"

#if !defined(_FORTIFY_SOURCE) || _FORTIFY_SOURCE < 2
#error "this caller must be built with -D_FORTIFY_SOURCE=2"
#endif

static volatile int g_flags = O_RDWR;

static int check(const char *how, int fd) {
    char node[64] = "";
    if (fd < 0) {
        perror(how);
        return 1;
    }
    if (!corvane_sim_is_simulated(fd, node, sizeof node)) {
        fprintf(stderr, "%s: descriptor %d is not a simulated node\n", how, fd);
        return 1;
    }
    unsigned int inputs = 0;
    if (ioctl(fd, 0xC0084110u, &inputs) != 0 || inputs != 0x1234u) {
        fprintf(stderr, "%s: IoctlGetDigitalInputs answered 0x%x\n", how, inputs);
        return 1;
    }
    printf("%s: %s\n", how, node);
    return close(fd) == 0 ? 0 : 1;
}

int main(void) {
    if (corvane_sim_board_count() != 1) {
        fprintf(stderr, "expected one simulated board\n");
        return 1;
    }
    int failures = 0;
    failures += check("open", open("/dev/keloe6100_0", g_flags));
    failures += check("openat", openat(AT_FDCWD, "/dev/keloe6100_0", g_flags));
    printf("%s\n", failures == 0 ? "fortified opens caught" : "fortified opens missed");
    return failures == 0 ? 0 : 1;
}
