#include "windows/Unit1.h"

#include <QCheckBox>
#include <QCollator>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "platform/EventGuard.h"
#include "platform/FileSystem.h"
#include "platform/QtAnsi.h"
#include "upgrade/ScriptFailureFile.h"
#include "widgets/Colors.h"
#include "widgets/EscapeKey.h"
#include "widgets/Fonts.h"
#include "widgets/Gradient.h"
#include "widgets/Label3D.h"
#include "widgets/TextLabel.h"
#include "windows/ExitButton.h"
#include "windows/Pictures.h"
#include "windows/Unit2.h"
#include "windows/WarningControls.h"
#include "windows/WindowPlacement.h"

namespace velm {

std::unique_ptr<TForm1> Form1;

namespace {

QCheckBox* makeConfirmationBox(QWidget* parent, QRect geometry) {
    auto* box = new QCheckBox(QStringLiteral(" "), parent);
    box->setGeometry(geometry);
    box->setFont(makeFont(QStringLiteral("MS Sans Serif"), 16));
    // The control's colour fills it around the tick square; a button fills
    // with the button face unless told to use the window colour.
    box->setAutoFillBackground(true);
    box->setBackgroundRole(QPalette::Window);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Window, toQColor(TColor(0x0065CA)));  // RGB 202, 101, 0
    palette.setColor(QPalette::WindowText, toQColor(clGreen));
    box->setPalette(palette);
    return box;
}

}  // namespace

TForm1::TForm1(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8("Atualização"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(906, 610);
    setFont(makeFont(QStringLiteral("MS Sans Serif"), 11));

    // Back to front: each later control is drawn over the earlier ones.
    Gradient1 =
        makeWarningBackground(this, QRect(0, 0, 906, 610), TColor(18835));  // RGB 147, 73, 0
    Label3D1 = makeWarningCaption(
        this, QRect(6, 26, 889, 528),
        QString::fromUtf8(
            "FECHE TODOS OS APLICATIVOS ANTES DE FAZER A ATUALIZAÇÃO *inclusive os terminais**"),
        73, clWhite);

    const QFont labelFont = makeFont(QStringLiteral("Verdana"), 16, true);
    Label1 = makeTextLabel(this, QStringLiteral("Todos Aplicativos locais foram fechados"),
                           QPoint(57, 560), labelFont);
    Label2 = makeTextLabel(this, QStringLiteral("Sistema Quorix Senha"), QPoint(481, 0),
                           makeFont(QStringLiteral("Verdana"), 32, true, true));
    Label3 = makeTextLabel(this, QStringLiteral("Em todos os terminais os Sistemas foram fechados"),
                           QPoint(57, 583), labelFont);

    CheckBox1 = makeConfirmationBox(this, QRect(39, 560, 15, 17));

    BitBtn1 = new QPushButton(QStringLiteral("&Continuar  "), this);
    BitBtn1->setGeometry(629, 567, 139, 38);
    BitBtn1->setFont(labelFont);
    BitBtn1->setIcon(redArrowPicture());
    BitBtn1->setIconSize(QSize(19, 20));
    BitBtn1->setLayoutDirection(Qt::RightToLeft);  // picture right of the caption
    BitBtn1->setEnabled(false);

    Button3 = makeExitButton(this, QStringLiteral("&Sair"), QRect(795, 567, 90, 38));

    // No default button: Enter on a ticked box must not confirm (nor leave);
    // only a click on "&Continuar  " or Alt+C does.
    BitBtn1->setAutoDefault(false);
    Button3->setAutoDefault(false);

    CheckBox2 = makeConfirmationBox(this, QRect(39, 583, 15, 17));

    setTabOrder(CheckBox1, CheckBox2);
    setTabOrder(CheckBox2, BitBtn1);
    setTabOrder(BitBtn1, Button3);
    CheckBox1->setFocus();

    Timer1.setInterval(100);

    connect(CheckBox1, &QCheckBox::toggled, this,
            [this] { guarded([this] { CheckBox1Click(); }); });
    connect(CheckBox2, &QCheckBox::toggled, this,
            [this] { guarded([this] { CheckBox1Click(); }); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn1Click(); }); });
    connect(Button3, &QPushButton::clicked, this, [this] { guarded([this] { Button3Click(); }); });
    connect(&Timer1, &QTimer::timeout, this, [this] { guarded([this] { Timer1Timer(); }); });
}

TForm1::~TForm1() = default;

void TForm1::ListFiles(const std::string& pattern, std::vector<std::string>& list) {
    for (const std::string& name : fileSystem().findFiles(pattern)) {
        if (!name.empty() && name.front() == '.') continue;  // ".", ".." and dot names
        list.push_back(name);
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(list.begin(), list.end(), [&](const std::string& a, const std::string& b) {
        return collator.compare(fromAnsi(a), fromAnsi(b)) < 0;
    });
}

void TForm1::FormShow() {
    const std::string saved = firstSavedScriptFile(ListFiles);
    if (!saved.empty()) {
        Timer1.start();
        Form2 = new TForm2(this);
        Form2->Label1->setText(savedScriptCaption(saved));
    }
}

void TForm1::CheckBox1Click() {
    BitBtn1->setEnabled(CheckBox1->isChecked() && CheckBox2->isChecked());
}

void TForm1::BitBtn1Click() {
    Tag = 1;
    close();
}

void TForm1::Button3Click() {
    close();
}

void TForm1::Timer1Timer() {
    Timer1.stop();
    hide();
    if (Form2) {
        Form2->exec();
        delete Form2.data();  // the notice lives only while it is shown
    }
    close();
}

void TForm1::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;  // the window system re-showing it is not a new show
    centreOnDesktop(*this);
    guarded([this] { FormShow(); });
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    // Escape does not close the gate: only "&Sair" and the close button do.
    if (swallowEscape(event)) return;
    QDialog::keyPressEvent(event);
}

}  // namespace velm
