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

    /* The registry comes first: its failure is reported whatever the arguments. */
    CHECK(corvane_sim_fail("keloe6100_0", IOCTL_NUMBER(0x00), -1, 5, CORVANE_SIM_ALWAYS, NULL) == 0);
    const struct {
        const char* call;
        uint32_t code;
    } first[] = {
        {"VelmorGetNumberOfDevices(NULL)", VelmorGetNumberOfDevices(NULL)},
        {"VelmorReadAllDigitalInputs(name, NULL)", VelmorReadAllDigitalInputs("keloe6100_0", NULL)},
        {"VelmorReadAllDigitalInputs(NULL, NULL)", VelmorReadAllDigitalInputs(NULL, NULL)},
        {"VelmorGetDeviceStructFromDeviceName(name, NULL)",
         VelmorGetDeviceStructFromDeviceName("keloe6100_0", NULL)},
        {"VelmorStartTimer(NULL, 0)", VelmorStartTimer(NULL, 0)},
    };
    for (size_t i = 0; i < sizeof first / sizeof first[0]; ++i) {
        if (first[i].code != 0x0000110Du) {
            fprintf(stderr, "%s returned 0x%08X\n", first[i].call, (unsigned)first[i].code);
        }
        CHECK(first[i].code == 0x0000110Du);
    }
    corvane_sim_clear_failures();

    /* Discovery runs again and succeeds. */
    CHECK(VelmorGetNumberOfDevices(&count) == 0);
    CHECK(count == 1);
    uint32_t inputs = 0;
    CHECK(corvane_sim_set_inputs("keloe6100_0", 0x1234u) == 0);
    CHECK(VelmorReadAllDigitalInputs("keloe6100_0", &inputs) == 0);
    CHECK(inputs == 0x1234u);
    return C_CHECK_DONE();
}
