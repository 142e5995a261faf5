#include "windows/StartSequence.h"

#include <QApplication>
#include <QTimer>

#include "windows/Pictures.h"
#include "windows/Unit1.h"
#include "windows/untfrmvelmupdate.h"

namespace velm {

int runStartSequence(QApplication& application) {
    // The application title is the caption of the message boxes only: no
    // display name, which Qt would append to every window's caption.
    QApplication::setApplicationName(QStringLiteral("VelmUpdate"));
    QApplication::setWindowIcon(applicationIcon());
    // The process ends with the main window, not with whichever window closed last.
    QApplication::setQuitOnLastWindowClosed(false);

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
