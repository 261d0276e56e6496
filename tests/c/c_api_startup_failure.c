/* A board that fails to start makes every call report the start-up failure, leaves the
 * outputs alone, and the next call runs discovery again. */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "c_api_support.h"
#include "corvane_sim.h"

int main(void) {
    /* The first information request of the board fails, before the registry exists. */
    CHECK(corvane_sim_fail("keloe6100_0", IOCTL_NUMBER(0x00), -1, 5, 1, NULL) == 0);

    unsigned char count = 0x77;
    const uint32_t failed = VelmorGetNumberOfDevices(&count);
    CHECK(failed == 0x0000110Du);
    CHECK(count == 0x77);
    CHECK_LAST_ERROR("110d", "Ioctl exception");

    /* Discovery runs again and succeeds. */
    CHECK(VelmorGetNumberOfDevices(&count) == 0);
    CHECK(count == 1);
    uint32_t inputs = 0;
    CHECK(corvane_sim_set_inputs("keloe6100_0", 0x1234u) == 0);
    CHECK(VelmorReadAllDigitalInputs("keloe6100_0", &inputs) == 0);
    CHECK(inputs == 0x1234u);
    return C_CHECK_DONE();
}
