#include <gtest/gtest.h>

#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/EventGuard.h"

namespace velm {
namespace {

TEST(EventGuard, UncaughtErrorsShowTheStandardErrorBoxAndTheHandlerEnds) {
    RecordingDialogs dialogs;
    ScopedService<Dialogs> useDialogs(dialogs);
    bool after = false;
    guarded([&] {
        throw FileError("Arquivo Sys_Info.INI n\xe3o pode ser lido");
        after = true;
    });
    guarded([] { throw std::runtime_error("Falha."); });
    guarded([] { throw 42; });
    guarded([] {});
    EXPECT_FALSE(after);
    ASSERT_EQ(dialogs.shown.size(), 3u);
    for (const auto& shown : dialogs.shown) EXPECT_EQ(shown.kind, RecordingDialogs::Kind::Error);
    EXPECT_EQ(dialogs.shown[0].text, "Arquivo Sys_Info.INI n\xe3o pode ser lido.");
    EXPECT_EQ(dialogs.shown[1].text, "Falha.");
    EXPECT_EQ(dialogs.shown[2].text, "Erro desconhecido.");
}

TEST(EventGuard, ProcessExitPassesThrough) {
    RecordingDialogs dialogs;
    ScopedService<Dialogs> useDialogs(dialogs);
    try {
        guarded([] { throw ProcessExit{2}; });
        FAIL() << "the exit must reach the caller";
    } catch (const ProcessExit& e) {
        EXPECT_EQ(e.code, 2);
    }
    EXPECT_TRUE(dialogs.shown.empty());
}

}  // namespace
}  // namespace velm
