#include <gtest/gtest.h>

#include "platform/Errors.h"

namespace velm {
namespace {

// Texts differ between systems (Wine words them its own way); what holds
// everywhere is a non-empty sentence without the trailing line break.
TEST(SystemErrorMessageTest, GivesOneCleanLinePerCode) {
    for (unsigned long code : {2ul, 3ul, 5ul, 32ul, 80ul, 183ul, 1012ul, 0xFFFFFFF0ul}) {
        const std::string text = systemErrorMessage(code);
        EXPECT_FALSE(text.empty()) << code;
        EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << code;
        EXPECT_NE(text.back(), ' ') << code;
    }
    EXPECT_NE(systemErrorMessage(2), systemErrorMessage(3));
}

}  // namespace
}  // namespace velm
