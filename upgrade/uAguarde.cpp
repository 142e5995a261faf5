#include "upgrade/uAguarde.h"

#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QShowEvent>

#include "upgrade/CatalogueLogin.h"
#include "widgets/Colors.h"
#include "widgets/Fonts.h"
#include "windows/EscapeKey.h"
#include "windows/EventGuard.h"
#include "windows/TextLabel.h"

namespace velm {

Taguarde::Taguarde(QWidget* owner) : QDialog(owner) {
    buildLayout();
    setComponents();
    connect(&Timer1, &QTimer::timeout, this, [this] { guarded([this] { Timer1Timer(); }); });
    FormCreate();
}

Taguarde::~Taguarde() = default;

void Taguarde::buildLayout() {
    // No caption bar and no border icons: the operator cannot close it.
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setWindowTitle(QStringLiteral("Aviso"));
    setFixedSize(183, 90);
    move(150, 105);

    // First in tab order, outside the client area: it keeps the focus.
    Edit1 = new QLineEdit(this);
    Edit1->setGeometry(192, 0, 121, 21);

    Shape1 = new QFrame(this);
    Shape1->setGeometry(0, 0, 183, 90);
    Shape1->setAutoFillBackground(true);
    QPalette black = Shape1->palette();
    black.setColor(QPalette::Window, Qt::black);
    Shape1->setPalette(black);

    Bevel1 = new QFrame(this);
    Bevel1->setGeometry(0, 0, 183, 37);
    Bevel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Bevel1->setLineWidth(1);

    AGUARDE =
        makeTextLabel(this, QStringLiteral("Aguarde..."), QPoint(18, 10),
                      makeFont(QStringLiteral("Verdana"), 15, true), TColor::rgb(255, 255, 242));
    Label1 = makeTextLabel(this, QStringLiteral("Verificando Scripts"), QPoint(32, 48),
                           makeFont(QStringLiteral("MS Sans Serif"), 11), clSilver);

    pb1 = new QProgressBar(this);
    pb1->setGeometry(28, 68, 122, 17);
    pb1->setRange(1, 100);
    pb1->setValue(1);
    pb1->setTextVisible(false);

    // Stacking from back to front, as listed; Edit1 is out of sight anyway.
    Shape1->lower();
    Edit1->lower();
}

void Taguarde::setComponents() {
    Database1.AliasName = "Check";
    Database1.DatabaseName = "Sistema_my";
    Database1.LoginPrompt = false;
    Database1.SessionName = "Default";

    Table2.TableName = "scripts";
    Table2.IndexFieldNames = "programa;versao";
    Table2.MasterFields = "programa;versao";
    Table2.MasterSource = &Query2;

    DBMemo1.DataSource = &Table2;
    DBMemo1.DataField = "texto";
    DBMemo1.WordWrap = false;
    DBMemo1.Visible = false;

    useProductLogin(FbDatabase1);
    FbScript1.setTerminator(";");

    Timer1.setInterval(100);
    Timer1.setSingleShot(true);
}

void Taguarde::FormCreate() {
    ChaveProduto_.clear();
    // The clear login exists only here, inside the two parameter lines.
    Database1.Params = catalogueLoginParams();
}

void Taguarde::FormShow() {
    Timer1.start();
}

void Taguarde::Timer1Timer() {
    Timer1.stop();
    // The upgrade run over the ticked databases goes here; until then the
    // window closes at once, so that an update run can finish.
    close();
}

void Taguarde::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    Edit1->setFocus();
    guarded([this] { FormShow(); });
}

void Taguarde::keyPressEvent(QKeyEvent* event) {
    // Escape would close a dialog; this one closes only when its run is done.
    if (swallowEscape(event)) return;
    QDialog::keyPressEvent(event);
}

void Taguarde::closeEvent(QCloseEvent* event) {
    // The system's close request (Alt+F4) is refused; the run closes it.
    if (event->spontaneous()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace velm
