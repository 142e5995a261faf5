#include <QApplication>

#include "platform/Dialogs_qt.h"
#include "windows/StartSequence.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    velm::QtDialogs dialogs;
    velm::ScopedService<velm::Dialogs> useDialogs(dialogs);
    return velm::runStartSequence(application);
}
