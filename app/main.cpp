#include <QApplication>

#include "platform/Dialogs_qt.h"
#include "platform/RunLogFile.h"
#include "sync/CommitJournal.h"
#include "windows/StartSequence.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    velm::QtDialogs dialogs;
    velm::ScopedService<velm::Dialogs> useDialogs(dialogs);
    // VelmUpdate.log in the installation folder, where support looks for it.
    velm::RunLogFile log;
    velm::ScopedService<velm::RunLog> useLog(log);
    // A commit of new files that a killed run left half done is finished
    // before anything looks at the folder.
    velm::recoverInterruptedCommit("");
    return velm::runStartSequence(application);
}
