/* Without HOME a board's log cannot be placed and the board cannot be built: the C
 * interface turns that failure, which is not a CorvaneException, into the internal-error
 * code with a readable text, and never lets it reach the caller. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "c_api_support.h"
#include "corvane_sim.h"

int main(void) {
    CHECK(getenv("HOME") == NULL);
    /* The simulated board is there (this call also keeps the simulator linked in). */
    CHECK(corvane_sim_board_count() == 1);

    unsigned char count = 0x77;
    CHECK(VelmorGetNumberOfDevices(&count) == CODE_INTERNAL_ERROR);
    CHECK(count == 0x77);
    CHECK_LAST_ERROR("80000e0b",
                     "VelmorGetNumberOfDevices: internal error: HOME environment variable is not set");

    uint32_t inputs = 0xABCDu;
    CHECK(VelmorReadAllDigitalInputs("keloe6100_0", &inputs) == CODE_INTERNAL_ERROR);
    CHECK(inputs == 0xABCDu);
    CHECK_LAST_ERROR("80000e0b", "VelmorReadAllDigitalInputs: internal error");

    VelmorDeviceStruct list[1];
    memset(list, 0x5A, sizeof list);
    CHECK(VelmorGetDeviceList(list) == CODE_INTERNAL_ERROR);
    CHECK(((unsigned char*)list)[0] == 0x5A);
    CHECK(VelmorTestError("keloe6100_0") == CODE_INTERNAL_ERROR);
    return C_CHECK_DONE();
}
