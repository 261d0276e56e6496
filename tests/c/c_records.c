/* The records as a C11 caller sees them: sizes, offsets and the 2960-byte stride of an
 * array of device structures. */
#include <stddef.h>
#include <stdint.h>

#include <corvane/Corvane.h>

#include "c_check.h"

int main(void) {
    VelmorDeviceStruct devices[3];
    CHECK(sizeof(VelmorDeviceStruct) == 2960);
    CHECK((size_t)((char*)&devices[1] - (char*)&devices[0]) == 2960);
    CHECK(offsetof(VelmorDeviceStruct, bus) + offsetof(VelmorPCIBusInformations, is_pcie) == 2953);
    CHECK(offsetof(VelmorErrorType, error_code) == 196);
    CHECK(sizeof(InterruptData) == 140);
    CHECK(sizeof(IoctlGetDeviceInformationsStruct) == 2840);
    CHECK(offsetof(VelmorDeviceStruct, general) + offsetof(VelmorGeneralInformations, custom_id) == 1792);
    CHECK(COUNTER_BOTH_EDGE_COUNT == (COUNTER_FALLING_EDGE_COUNT | COUNTER_RISING_EDGE_COUNT));
    CHECK(VELMOR_DEVICE_PCIE == 1 && PORT_OUTPUT == 1 && CUSTOM == 3 && ANY_EDGE == 5);
    return C_CHECK_DONE();
}
