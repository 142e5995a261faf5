#include "windows/Unit2.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "platform/EventGuard.h"
#include "platform/QtAnsi.h"
#include "widgets/Colors.h"
#include "widgets/EscapeKey.h"
#include "widgets/Fonts.h"
#include "widgets/Gradient.h"
#include "widgets/Label3D.h"
#include "widgets/TextLabel.h"
#include "windows/ExitButton.h"
#include "windows/WarningControls.h"
#include "windows/WindowPlacement.h"

namespace velm {

QPointer<TForm2> Form2;

TForm2::TForm2(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("Erro"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(826, 266);
    setFont(makeFont(QStringLiteral("MS Sans Serif"), 11));

    // Larger than the window and shifted up and left: only its lower right part shows.
    Gradient1 = makeWarningBackground(this, QRect(-88, -344, 914, 610), clMaroon);
    Label3D1 =
        makeWarningCaption(this, QRect(96, 0, 635, 234),
                           QStringLiteral("ERRO DE SCRIPT AVISAR QUORIX SISTEMAS"), 64, clYellow);

    Label1 = makeTextLabel(this, QString::fromUtf8("SCRIPT EM EXECUÇÃO SALVO:"), QPoint(8, 239),
                           makeFont(QStringLiteral("Verdana"), 13, true));
    Label1->resize(716, 16);  // fixed size: the file name is centred within it
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    Button3 = makeExitButton(this, QStringLiteral("&Cont.."), QRect(728, 236, 94, 26));
    Button3->setFocus();

    connect(Button3, &QPushButton::clicked, this, [this] { guarded([this] { Button3Click(); }); });
}

void TForm2::Button3Click() {
    close();
}

void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) centreOnDesktop(*this);
}

void TForm2::keyPressEvent(QKeyEvent* event) {
    // Only "&Cont.." and the close button dismiss the notice.
    if (swallowEscape(event)) return;
    QDialog::keyPressEvent(event);
}

QString savedScriptCaption(const std::string& fileName) {
    return QString::fromUtf8("SCRIPT EM EXECUÇÃO SALVO: ") + fromAnsi(fileName);
}

void showScriptErrorNotice(QWidget* owner, const std::string& fileName) {
    Form2 = new TForm2(owner);
    Form2->Label1->setText(savedScriptCaption(fileName));
    Form2->exec();
    delete Form2.data();
}

}  // namespace velm
