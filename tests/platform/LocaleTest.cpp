#include <gtest/gtest.h>

#include "platform/Locale.h"

namespace velm {
namespace {

// Whatever the user chose, four separators come back and numbers stay
// readable: the thousand separator is never the decimal one.
TEST(LocaleTest, GivesFourSeparators) {
    const LocaleFormats f = locale().formats();
    EXPECT_NE(f.thousandSeparator, '\0');
    EXPECT_NE(f.decimalSeparator, '\0');
    EXPECT_NE(f.dateSeparator, '\0');
    EXPECT_NE(f.timeSeparator, '\0');
    EXPECT_NE(f.thousandSeparator, f.decimalSeparator);
}

}  // namespace
}  // namespace velm
