// The Windows shell: an address nobody handles cannot be opened.
#include <gtest/gtest.h>

#include "platform/Shell.h"

namespace velm {
namespace {

TEST(WindowsShellTest, AnAddressWithoutHandlerGivesFalse) {
    EXPECT_FALSE(shell().openAddress("velm-no-such-scheme:nothing"));
}

}  // namespace
}  // namespace velm
