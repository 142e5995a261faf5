#include "windows/StartSequence.h"

#include <QApplication>
#include <QTimer>

#include "platform/Dialogs.h"
#include "platform/FolderLock.h"
#include "platform/WorkingFolder.h"
#include "sync/CommitJournal.h"
#include "windows/Pictures.h"
#include "windows/Unit1.h"
#include "windows/untfrmvelmupdate.h"

namespace velm {

namespace {

std::string updateRunningText(const std::string& folder) {
    return "J\xE1 existe uma atualiza\xE7\xE3o em andamento nesta pasta:\r\n" + folder +
           "\r\n\r\nAguarde o t\xE9rmino dela. Esta c\xF3pia do programa ser\xE1 fechada.";
}

}  // namespace

int runStartSequence(QApplication& application) {
    // The application title is the caption of the message boxes only: no
    // display name, which Qt would append to every window's caption.
    QApplication::setApplicationName(QStringLiteral("VelmUpdate"));
    QApplication::setWindowIcon(applicationIcon());
    // The process ends with the main window, not with whichever window closed last.
    QApplication::setQuitOnLastWindowClosed(false);

    // Before anything reads or writes the folder (the gate, the leftovers of
    // a run cut short, the log): a second copy would delete the first one's
    // files as they are written and run the scripts on the same databases.
    const FolderLock oneCopyPerFolder;
    if (oneCopyPerFolder.outcome() == FolderLock::Outcome::HeldByOther) {
        dialogs().information(updateRunningText(workingFolder()));
        return kUpdateAlreadyRunningCode;
    }
    // A commit of new files that a killed run left half done is finished
    // before anything else looks at the folder; only the copy that holds the
    // lock may, or it would finish a commit that is still running. A
    // journal that names what no commit of ours names was removed unread.
    if (oneCopyPerFolder.outcome() == FolderLock::Outcome::Held) {
        const CommitRecovery recovery = recoverInterruptedCommit("");
        if (recovery.outcome == CommitRecovery::Outcome::Refused)
            dialogs().information(refusedJournalText(recovery));
    }

    Tfrmvelmupdate frmvelmupdate;
    QObject::connect(&frmvelmupdate, &Tfrmvelmupdate::closed, &application, &QApplication::quit,
                     Qt::QueuedConnection);

    Form1 = std::make_unique<TForm1>();
    Form1->exec();
    if (Form1->Tag == 1) {
        // Entering the loop shows the main window, whose show handler runs the checks.
        QTimer::singleShot(0, &frmvelmupdate, [&frmvelmupdate] { frmvelmupdate.show(); });
    } else {
        // Not confirmed: the loop ends at once, before the main window could
        // show and run any check.
        QMetaObject::invokeMethod(&application, &QApplication::quit, Qt::QueuedConnection);
    }
    const int code = application.exec();
    Form1.reset();
    return code;
}

}  // namespace velm
