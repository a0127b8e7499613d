// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A property every input must keep: when broken, says which one and stops the fuzzer
// (libFuzzer then writes the input out).

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                \
    do {                                                                                     \
        if (!(condition)) {                                                                  \
            std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                    \
        }                                                                                    \
    } while (false)
