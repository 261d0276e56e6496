/* Preloaded after the board simulator into programs that do not call its control
 * interface themselves (boardlist): makes the first IoctlGetDeviceInformations of the
 * process fail, so that the first registry build fails and the next one succeeds. */
#include <errno.h>
#include <stdio.h>

#include "corvane_sim.h"

__attribute__((constructor)) static void failFirstInformationRequest(void) {
    if (corvane_sim_fail(NULL, 0xC0084100u, -1, EIO, 1, NULL) != 0) {
        fprintf(stderr, "sim_fail_first_information: cannot install the failure rule\n");
    }
}
