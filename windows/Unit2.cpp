#include "windows/Unit2.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "platform/QtAnsi.h"
#include "widgets/Colors.h"
#include "widgets/Fonts.h"
#include "widgets/Gradient.h"
#include "widgets/Label3D.h"
#include "windows/EventGuard.h"
#include "windows/Pictures.h"
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
    Gradient1 = new TGradient(this);
    Gradient1->setGeometry(-88, -344, 914, 610);
    Gradient1->setBeginColor(clMaroon);
    Gradient1->setEndColor(clBtnFace);
    Gradient1->setCaption(QStringLiteral(" "));
    Gradient1->setFont(makeFont(QStringLiteral("MS Sans Serif"), 11, true));
    Gradient1->setTextTop(5);
    Gradient1->setTextLeft(12);

    Label3D1 = new TLabel3D(this);
    Label3D1->setAutoSize(false);  // sized once all properties are set, as on loading
    Label3D1->setGeometry(96, 0, 635, 234);
    Label3D1->setFont(makeFont(QStringLiteral("Verdana"), 64, true));
    Label3D1->setFontColor(clYellow);
    Label3D1->setAlignment(taCenter);
    Label3D1->setWordWrap(true);
    Label3D1->setTransparent(true);
    Label3D1->setTextStyle(tsRaised);
    Label3D1->setShift(1);
    Label3D1->setBorderColor(clRed);
    Label3D1->setColor(clBlack);
    // Last, as when the window is loaded: the label sizes itself to the
    // caption wrapped within its designed width.
    Label3D1->setCaption(QStringLiteral("ERRO DE SCRIPT AVISAR QUORIX SISTEMAS"));
    Label3D1->setAutoSize(true);

    Label1 = new QLabel(QString::fromUtf8("SCRIPT EM EXECUÇÃO SALVO:"), this);
    Label1->setGeometry(8, 239, 716, 16);
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label1->setFont(makeFont(QStringLiteral("Verdana"), 13, true));
    QPalette palette = Label1->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    Label1->setPalette(palette);

    Button3 = new QPushButton(QStringLiteral("&Cont.."), this);
    Button3->setGeometry(728, 236, 94, 26);
    Button3->setFont(makeFont(QStringLiteral("Verdana"), 19, true));
    Button3->setIcon(doorPicture());
    Button3->setIconSize(QSize(22, 22));
    Button3->setFocus();

    connect(Button3, &QPushButton::clicked, this, [this] { guarded([this] { Button3Click(); }); });
}

void TForm2::Button3Click() { close(); }

void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) centreOnDesktop(*this);
}

void TForm2::keyPressEvent(QKeyEvent* event) {
    // Only "&Cont.." and the close button dismiss the notice.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
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
