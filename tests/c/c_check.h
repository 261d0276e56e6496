/* A minimal checking harness for the C11 test programs: CHECK records a failure with its
 * line and goes on; C_CHECK_DONE prints "N passed, N failed" and returns the exit status. */
#ifndef C_CHECK_H
#define C_CHECK_H

#include <stdio.h>
#include <string.h>

static int c_check_passed = 0;
static int c_check_failed = 0;

#define CHECK(cond)                                                        \
    do {                                                                   \
        if (cond) {                                                        \
            ++c_check_passed;                                              \
        } else {                                                           \
            ++c_check_failed;                                              \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
        }                                                                  \
    } while (0)

#define CHECK_STR_EQ(a, b) CHECK(strcmp((a), (b)) == 0)

#define C_CHECK_DONE()                                                     \
    (printf("%d passed, %d failed\n", c_check_passed, c_check_failed), c_check_failed == 0 ? 0 : 1)

#endif
