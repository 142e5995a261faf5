#include "platform/Dialogs_qt.h"

#include <QApplication>
#include <QMessageBox>

#include "platform/QtAnsi.h"

namespace velm {

namespace {

void showBox(QMessageBox::Icon icon, const std::string& text) {
    QMessageBox box(icon, QStringLiteral("VelmUpdate"), fromAnsi(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

}  // namespace

void QtDialogs::message(const std::string& text) { showBox(QMessageBox::NoIcon, text); }
void QtDialogs::information(const std::string& text) { showBox(QMessageBox::Information, text); }
void QtDialogs::error(const std::string& text) { showBox(QMessageBox::Critical, text); }

}  // namespace velm
