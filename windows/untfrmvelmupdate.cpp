#include "windows/untfrmvelmupdate.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>

#include "platform/ArchiverPath.h"
#include "platform/Dialogs.h"
#include "platform/EventGuard.h"
#include "platform/FileSystem.h"
#include "platform/Shell.h"
#include "sync/UpdateRun.h"
#include "upgrade/uAguarde.h"
#include "widgets/Colors.h"
#include "widgets/Fonts.h"
#include "widgets/Gauge.h"
#include "widgets/TextLabel.h"
#include "windows/DatabaseList.h"
#include "windows/ExitButton.h"
#include "windows/Pictures.h"
#include "windows/ProgramFiles.h"
#include "windows/Unit1.h"
#include "windows/UpdateWindowView.h"
#include "windows/UpgradeWindowView.h"
#include "windows/WindowPlacement.h"

namespace velm {

QPointer<Taguarde> aguarde;

namespace {

// Where the operator downloads the archiver when it is missing.
const char* const kArchiverDownload = "https://www.quorixsistemas.com.br/winrar.exe";

const char* const kNotFoundHere =
    " n\xE3o encontrado nesta pasta que voc\xEA executou o Atualiza_Quorix_Senha.exe";

// The sibling programs, in the order they are checked, with their labels.
struct SiblingProgram {
    const char* exe;
    const char* old;
    QLabel* Tfrmvelmupdate::*label;
};
const SiblingProgram kSiblings[] = {
    {"App_Vezra_Config.exe", "App_Vezra_Config.old", &Tfrmvelmupdate::Label9},
    {"App_Vezra_Lista.exe", "App_Vezra_Lista.old", &Tfrmvelmupdate::Label4},
    {"App_Vezra_Solicita.exe", "App_Vezra_Solicita.old", &Tfrmvelmupdate::Label8},
};

QFont verdana(int pixels, bool bold = false) {
    return makeFont(QStringLiteral("Verdana"), pixels, bold);
}

QFont sansSerif(int pixels, bool bold = false) {
    return makeFont(QStringLiteral("MS Sans Serif"), pixels, bold);
}

}  // namespace

Tfrmvelmupdate::Tfrmvelmupdate(QWidget* parent)
    : QWidget(parent), progress(*(runView_ = std::make_unique<UpdateWindowView>(*this))) {
    setWindowTitle(QString::fromUtf8("Atualização de Sistema"));
    setWindowIcon(applicationIcon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(909, 628);
    setFont(sansSerif(11));

    buildTopStrip();
    buildMainArea();
    setUpFtpClient();

    Timer2.setInterval(100);
    connect(&Timer2, &QTimer::timeout, this, [this] { guarded([this] { Timer2Timer(); }); });
    connect(Button3, &QPushButton::clicked, this, [this] { guarded([this] { bfecharClick(); }); });
    connect(Button1, &QPushButton::clicked, this,
            [this] { guarded([this] { batualizarClick(); }); });
}

void Tfrmvelmupdate::setUpFtpClient() {
    ftpupdate.Passive = true;
    ftpupdate.ConnectTimeout = 0;
    // No limit of its own: the client then gives a silent server its silence
    // limit, never for ever.
    ftpupdate.ReadTimeout = 0;
    progress.bind(ftpupdate);
}

Tfrmvelmupdate::~Tfrmvelmupdate() = default;

void Tfrmvelmupdate::buildTopStrip() {
    Panel1 = new QFrame(this);
    Panel1->setGeometry(0, 0, 909, 49);
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);
    Panel1->setAutoFillBackground(true);
    QPalette white = Panel1->palette();
    white.setColor(QPalette::Window, Qt::white);
    Panel1->setPalette(white);

    Image1 = new QLabel(Panel1);
    Image1->setPixmap(applicationIcon().pixmap(32, 32));
    Image1->setGeometry(872, 3, 32, 32);

    Label1 = makeTextLabel(Panel1, QStringLiteral("Sistema Quorix Senha"), QPoint(8, 2),
                           sansSerif(19, true), clBlue);
    Label2 = makeTextLabel(Panel1, QString::fromUtf8("Atualização do Sistema"), QPoint(9, 27),
                           sansSerif(13, true), clBlack);
}

void Tfrmvelmupdate::buildMainArea() {
    Panel2 = new QFrame(this);
    Panel2->setGeometry(0, 50, 909, 578);

    // Back to front, as laid out.
    Image2 = new QLabel(Panel2);
    Image2->setGeometry(0, 0, 908, 550);
    Image2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image2->setPixmap(backdropPicture());  // drawn unscaled from its top-left corner

    lblcontador =
        makeTextLabel(Panel2, QStringLiteral(" "), QPoint(206, 526), sansSerif(11), clBlack);

    Gauge1 = new TGauge(Panel2);
    Gauge1->setGeometry(11, 466, 884, 20);
    Gauge1->setMinValue(0);
    Gauge1->setMaxValue(100);
    Gauge1->setProgress(0);
    Gauge1->setForeColor(toQColor(clYellow));
    Gauge1->setBackColor(toQColor(clWhite));

    lblstatus =
        makeTextLabel(Panel2, QStringLiteral(" "), QPoint(206, 506), sansSerif(13, true), clBlack);
    Label3 = makeTextLabel(Panel2, QStringLiteral(" "), QPoint(401, 526), sansSerif(11), clBlack);
    Label5 =
        makeTextLabel(Panel2, QStringLiteral("EXE CONFIG."), QPoint(16, 18), verdana(16), clNavy);
    Label9 = makeTextLabel(Panel2, QStringLiteral("Label7"), QPoint(138, 19), sansSerif(13, true),
                           clRed);
    Label10 = makeTextLabel(Panel2, QStringLiteral("Base Principal"), QPoint(16, 289),
                            verdana(15, true), clMaroon);
    Label4 = makeTextLabel(Panel2, QStringLiteral("Label7"), QPoint(138, 39), sansSerif(13, true),
                           clRed);
    Label6 =
        makeTextLabel(Panel2, QStringLiteral("EXE LISTA"), QPoint(16, 38), verdana(16), clNavy);
    Label7 =
        makeTextLabel(Panel2, QStringLiteral("EXE SOLICITA"), QPoint(16, 59), verdana(16), clNavy);
    Label8 = makeTextLabel(Panel2, QStringLiteral("Label7"), QPoint(138, 60), sansSerif(13, true),
                           clRed);

    ProgressBar1 = new QProgressBar(Panel2);
    ProgressBar1->setGeometry(13, 470, 880, 12);
    ProgressBar1->setRange(0, 55000);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();

    StatusBar1 = new QStatusBar(Panel2);
    StatusBar1->setGeometry(1, 550, 907, 27);
    StatusBar1->setSizeGripEnabled(false);
    StatusPanel0 = new QLabel(QStringLiteral("VelmUpdate"), StatusBar1);
    StatusPanel0->setMinimumWidth(50);
    StatusBar1->addWidget(StatusPanel0, 1);  // the only panel spans the whole bar

    Memo1 = new QPlainTextEdit(Panel2);
    Memo1->setGeometry(7, 80, 886, 83);
    Memo1->setFont(makeFont(QStringLiteral("Courier New"), 13));
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setPlainText(QString());
    Memo1->hide();

    Button1 = new QPushButton(QStringLiteral("&Atualizar agora"), Panel2);
    Button1->setGeometry(11, 506, 182, 31);
    Button1->setFont(verdana(16, true));
    Button1->setIcon(doubleTickPicture());
    Button1->setIconSize(QSize(18, 19));
    Button1->setAutoDefault(true);  // Enter presses the button that has the focus

    Button3 = makeExitButton(Panel2, QStringLiteral("&Sair"), QRect(804, 506, 90, 31));

    TreeView1 = new QTreeWidget(Panel2);
    TreeView1->setGeometry(11, 80, 886, 82);
    TreeView1->setFont(makeFont(QStringLiteral("Courier New"), 13, true));
    TreeView1->setIndentation(19);
    TreeView1->setHeaderHidden(true);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView1->setIconSize(QSize(16, 16));

    CheckListBox1 = new QListWidget(Panel2);
    CheckListBox1->setGeometry(8, 308, 889, 97);

    ImageList1 = {
        glossyBallPicture(QColor(150, 240, 150), QColor(0, 130, 0)),   // 0: never shown
        glossyBallPicture(QColor(150, 240, 150), QColor(0, 130, 0)),   // 1: green
        glossyBallPicture(QColor(150, 190, 255), QColor(0, 50, 200)),  // 2: blue
        glossyBallPicture(QColor(255, 240, 90), QColor(235, 120, 0)),  // 3: orange to yellow
        glossyBallPicture(QColor(255, 150, 150), QColor(190, 0, 0)),   // 4: red
    };

    setTabOrder(Memo1, Button1);
    setTabOrder(Button1, Button3);
    setTabOrder(Button3, ProgressBar1);
    setTabOrder(ProgressBar1, TreeView1);
    setTabOrder(TreeView1, CheckListBox1);
}

std::string Tfrmvelmupdate::program_files() {
    return programFilesFolder();
}

void Tfrmvelmupdate::FormShow() {
    PROGR = program_files();
    if (!Form1 || Form1->Tag == 0) {
        Timer2.start();
        return;
    }
    Form1.reset();
    FileSystem& files = fileSystem();
    if (!files.fileExists(PROGR + kArchiverBelowProgramFiles)) {
        dialogs().message(
            "Favor fazer a instala\xE7\xE3o do Winrar Primeiro. Voce ser\xE1 redirecionado para "
            "o download.");
        shell().openAddress(kArchiverDownload);
        Timer2.start();
        return;
    }
    progress.BytesToTransfer = 0;
    for (const SiblingProgram& program : kSiblings) {
        if (!files.fileExists(program.exe) && !files.fileExists(program.old)) {
            Button1->setEnabled(false);
            dialogs().message(std::string("Arquivo ") + program.exe + kNotFoundHere);
            Timer2.start();
            return;
        }
    }
    if (!files.fileExists("Sys_Info.INI")) {
        Button1->setEnabled(false);
        dialogs().message(std::string("Arquivo Sys_Info.ini") + kNotFoundHere);
        Timer2.start();
        return;
    }
    for (const SiblingProgram& program : kSiblings) {
        QLabel* label = this->*program.label;
        label->setText(QString::fromLatin1(program.exe) + QString::fromUtf8(" - Será atualizado"));
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, toQColor(clGreen));
        label->setPalette(palette);
        label->adjustSize();
    }
    readDatabaseEntry(*CheckListBox1);
    aguarde = new Taguarde(this);
    connectUpgradeWindow(*aguarde, *CheckListBox1);
    if (!testDatabaseEntries(*CheckListBox1, aguarde->connections())) {
        Timer2.start();
        return;
    }
    checksPassed_ = true;
    StatusPanel0->setText(QStringLiteral("Clique em Atualizar agora ou pressione <ENTER>."));
    Button1->setFocus();
}

void Tfrmvelmupdate::FormClose() {
    delete aguarde.data();
}

void Tfrmvelmupdate::Timer2Timer() {
    Timer2.stop();
    close();
}

void Tfrmvelmupdate::bfecharClick() {
    if (running_) {
        leave();
        return;
    }
    if (ftpupdate.Connected()) ftpupdate.Disconnect();
    close();
}

void Tfrmvelmupdate::batualizarClick() {
    if (ftpupdate.Connected()) {
        dialogs().message("Conectado no FTP");
        return;
    }
    // After checks cut short by an error the upgrade window or the tested
    // database list may be missing: a run would work without them.
    if (!checksPassed_ || !aguarde) {
        dialogs().message(
            "As verifica\xE7\xF5"
            "es iniciais n\xE3o foram conclu\xED"
            "das. Feche o programa, "
            "corrija o problema indicado e abra-o novamente.");
        return;
    }
    Button1->setEnabled(false);
    try {
        AtualizaSistema();
    } catch (...) {
        // The error box comes first; a requested leave still happens.
        if (leaveRequested_) QTimer::singleShot(0, this, &QWidget::close);
        throw;
    }
    Button1->setEnabled(true);
    if (leaveRequested_) close();
}

void Tfrmvelmupdate::AtualizaSistema() {
    running_ = true;
    // However the run ends, the window shows where it stopped.
    struct Running {
        bool& flag;
        UpdateWindowView& view;
        ~Running() {
            view.endRun();
            flag = false;
        }
    } running{running_, *runView_};
    runView_->beginRun();
    UpdateRun(ftpupdate, *runView_, progress).AtualizaSistema();
}

void Tfrmvelmupdate::leave() {
    leaveRequested_ = true;
}

void Tfrmvelmupdate::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shown_) return;  // the checks run when the window is first shown
    shown_ = true;
    centreOnDesktop(*this);
    guarded([this] { FormShow(); });
}

void Tfrmvelmupdate::closeEvent(QCloseEvent* event) {
    if (running_) {
        // The transfer stops at its next step; the window closes after the run.
        leave();
        event->ignore();
        return;
    }
    guarded([this] { FormClose(); });
    event->accept();
    emit closed();
}

}  // namespace velm
