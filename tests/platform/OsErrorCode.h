#pragma once

#include <gtest/gtest.h>

#include "platform/Errors.h"

namespace velm::test {

// The code of the OsError `action` raises (0 when it raises none), checking
// that the error's text is the system's message for that code.
template <class Action>
unsigned long osErrorCode(Action action) {
    try {
        action();
    } catch (const OsError& e) {
        EXPECT_EQ(e.what(), systemErrorMessage(e.code()));
        return e.code();
    }
    return 0;
}

}  // namespace velm::test
