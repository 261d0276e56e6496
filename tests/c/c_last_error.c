/* The last error seen from C: the buffer rules of VelmorGetLastError and the printed text. */
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <corvane/Corvane.h>

#include "c_check.h"

static const char kNullText[] =
    "[CorvaneException] Code: 0x80002603 [Error got from VELMOR_API source , on domain "
    ":VELMOR_DOMAIN_GENERIC, with function :VELMOR_FUNCTION_API_GET_LAST_ERROR, due to reason "
    ":VELMOR_REASON_INVALID_PARAMETER] Error message : error_message is Null";

int main(void) {
    char buffer[512];

    /* Before any failure the text is empty: a length of 1 is enough and nothing is copied. */
    memset(buffer, 'x', sizeof buffer);
    CHECK(VelmorGetLastError(buffer, 1) == 0);
    CHECK(buffer[0] == '\0');
    fflush(stdout);
    CHECK(VelmorPrintLastError() == 0); /* prints an empty line */
    fflush(stdout);

    /* A null buffer fails, returns 0 and leaves its own text as the last error. */
    CHECK(VelmorGetLastError(NULL, 100) == 0);
    memset(buffer, 'x', sizeof buffer);
    CHECK(VelmorGetLastError(buffer, sizeof buffer - 1) == strlen(kNullText));
    CHECK_STR_EQ(buffer, kNullText);

    /* Length 0 fails and writes nothing. */
    memset(buffer, 'x', sizeof buffer);
    CHECK(VelmorGetLastError(buffer, 0) == 0);
    CHECK(buffer[0] == 'x');

    /* One byte too short fails and writes nothing. */
    CHECK(VelmorGetLastError(buffer, strlen(kNullText) - 1) == 0);
    CHECK(buffer[0] == 'x');

    /* Exactly the text's length copies all of it and terminates it just after. */
    memset(buffer, 'x', sizeof buffer);
    CHECK(VelmorGetLastError(buffer, strlen(kNullText)) == strlen(kNullText));
    CHECK(buffer[strlen(kNullText)] == '\0');
    CHECK(buffer[strlen(kNullText) + 1] == 'x');
    CHECK_STR_EQ(buffer, kNullText);

    /* The code composed by the header's macro matches the documented layout. */
    CHECK(VELMOR_ERROR_CODE(VELMOR_API, VELMOR_DOMAIN_LINUX_IOCTL, VELMOR_FUNCTION_HANDLE_RETURN,
                            VELMOR_REASON_HARDWARE_FAILURE) == 0x86000F08u);
    CHECK(VELMOR_ERROR_CODE(VELMOR_DRIVER, VELMOR_DOMAIN_GENERIC, VELMOR_FUNCTION_INIT,
                            VELMOR_REASON_HARDWARE_FAILURE) == 0x00001208u);

    return C_CHECK_DONE();
}
