/* The two C clients' check counting: each failed check prints its line. */
#ifndef KORVEL_CLIENT_CHECKS_H
#define KORVEL_CLIENT_CHECKS_H

#include <stdio.h>

static int passed, failed;

#define CHECK(condition)                                                                                     \
    do {                                                                                                     \
        if (condition) {                                                                                     \
            ++passed;                                                                                        \
        } else {                                                                                             \
            ++failed;                                                                                        \
            printf("FAILED line %d: %s\n", __LINE__, #condition);                                            \
        }                                                                                                    \
    } while (0)

#endif
