#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <string>

namespace velm::test {

// The real servers a test talks to are started by scripts/services.sh, which
// exports their addresses as VELM_TEST_* variables. Without them a test is
// skipped, unless VELM_REQUIRE_SERVERS=1 (CI) turns the skip into a failure.
inline bool serversRequired() {
    const char* value = std::getenv("VELM_REQUIRE_SERVERS");
    return value && std::string(value) == "1";
}

inline std::string serverVariable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// The first of the names whose variable is missing or empty ("" when all are set).
inline std::string missingServerVariable(std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (serverVariable(name).empty()) return name;
    return {};
}

}  // namespace velm::test

// Skips (or, with VELM_REQUIRE_SERVERS=1, fails) the current test, from its
// body or its fixture's SetUp, when any of the named variables is missing.
#define VELM_REQUIRE_SERVER_VARIABLES(...)                                                     \
    do {                                                                                       \
        const std::string velmMissing_ = ::velm::test::missingServerVariable({__VA_ARGS__});   \
        if (!velmMissing_.empty()) {                                                           \
            if (::velm::test::serversRequired())                                               \
                FAIL() << velmMissing_ << " is not set although VELM_REQUIRE_SERVERS=1";       \
            GTEST_SKIP() << velmMissing_                                                       \
                         << " is not set: start the servers with scripts/services.sh start " \
                            "DIR and source DIR/env";                                          \
        }                                                                                      \
    } while (false)
