#pragma once

#include "platform/Dialogs.h"
#include "platform/Process.h"
#include "support/RecordingShell.h"

namespace velm::test {

// The run's effects on the operator and the system, recorded while it lives:
// message boxes, sleeps and the exit code, programs and addresses started.
struct RecordedEffects {
    RecordingDialogs dialogs;
    ScopedService<Dialogs> useDialogs{dialogs};
    RecordingProcess process;
    ScopedService<Process> useProcess{process};
    RecordingShell shell;
    ScopedService<Shell> useShell{shell};
};

}  // namespace velm::test
