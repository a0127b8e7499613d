// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Third-party tools (Palm::PDB, netpbm, PIL, ImageMagick, poppler) and the session bus that
// some tests compare against. Without one such a case is skipped, and ctest reports the
// test as skipped; where the test script has installed them all
// (QUILLARY_REQUIRE_TOOLS=1) a missing one is a failure, so no check silently goes away.

#include <cstdlib>
#include <cstring>

namespace quillary::test {

inline bool ToolsRequired() {
    const char* value = std::getenv("QUILLARY_REQUIRE_TOOLS");
    return value && std::strcmp(value, "1") == 0;
}

} // namespace quillary::test

// QtTest: skip the case, or fail it when the tools are required.
#define QUILLARY_REQUIRE_OR_SKIP(what)                                                             \
    do {                                                                                           \
        if (quillary::test::ToolsRequired())                                                       \
            QFAIL(what " (required: QUILLARY_REQUIRE_TOOLS=1)");                                   \
        QSKIP(what);                                                                               \
    } while (false)

// GoogleTest: the same.
#define QUILLARY_GTEST_REQUIRE_OR_SKIP(what)                                                       \
    do {                                                                                           \
        if (quillary::test::ToolsRequired())                                                       \
            GTEST_FAIL() << what << " (required: QUILLARY_REQUIRE_TOOLS=1)";                       \
        GTEST_SKIP() << what;                                                                      \
    } while (false)
