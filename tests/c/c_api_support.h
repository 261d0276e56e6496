/* Helpers shared by the C interface test programs. */
#ifndef C_API_SUPPORT_H
#define C_API_SUPPORT_H

#include <stdint.h>
#include <string.h>

#include <corvane/Corvane.h>

#include "c_check.h"

#define CODE_INVALID_PARAMETER 0x80000E03u
#define CODE_NOT_SUPPORTED 0x80000E05u
#define CODE_INTERNAL_ERROR 0x80000E0Bu
#define CODE_UNKNOWN_DEVICE 0x80002810u
#define CODE_DRIVER_FAILURE 0x86000F08u
#define CODE_BAD_OUTPUT_MEMORY_FLAG 0x82002311u
#define CODE_NULL_CALLBACK 0x85000201u

#define IOCTL_NUMBER(index) (0xC0084100u + (index))

static char c_api_last_error_text[4096];

/* The current last error text (empty when it does not fit the buffer). */
static inline const char* lastError(void) {
    c_api_last_error_text[0] = '\0';
    VelmorGetLastError(c_api_last_error_text, sizeof c_api_last_error_text - 1);
    return c_api_last_error_text;
}

static inline int contains(const char* text, const char* part) { return strstr(text, part) != NULL; }
static inline int startsWith(const char* text, const char* prefix) {
    return strncmp(text, prefix, strlen(prefix)) == 0;
}

/* Checks that the last error is the text of code with message. */
#define CHECK_LAST_ERROR(hexDigits, part)                                                   \
    do {                                                                                    \
        const char* text_ = lastError();                                                    \
        CHECK(startsWith(text_, "[CorvaneException] Code: 0x" hexDigits " "));             \
        CHECK(contains(text_, part));                                                       \
        if (!startsWith(text_, "[CorvaneException] Code: 0x" hexDigits " ") || !contains(text_, part)) \
            fprintf(stderr, "  last error was: %s\n", text_);                               \
    } while (0)

#endif
