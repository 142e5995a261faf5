#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "ftp/FtpClient.h"
#include "sync/TransferProgress.h"

class QFrame;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTreeWidget;

namespace velm {

class TGauge;
class Taguarde;
class UpdateWindowView;

// The application's main window: environment checks when first shown, then
// the update run on "&Atualizar agora". The run itself lives in UpdateRun,
// which reaches this window through UpdateWindowView; the progress handlers
// of the FTP client live in TransferProgress (with STime and BytesToTransfer).
class Tfrmvelmupdate : public QWidget {
    Q_OBJECT

    // The run's view of this window; made first, the progress display uses it.
    std::unique_ptr<UpdateWindowView> runView_;

public:
    explicit Tfrmvelmupdate(QWidget* parent = nullptr);
    ~Tfrmvelmupdate() override;

    // Fields of the window.
    std::string PROGR;  // folder beneath which the archiver lies (kArchiverBelowProgramFiles)
    int Tag = 0;

    // Top strip.
    QFrame* Panel1;
    QLabel* Image1;
    QLabel* Label1;
    QLabel* Label2;
    // Main area.
    QFrame* Panel2;
    QLabel* Image2;
    QLabel* lblcontador;
    TGauge* Gauge1;
    QLabel* lblstatus;
    QLabel* Label3;
    QLabel* Label5;
    QLabel* Label9;
    QLabel* Label10;
    QLabel* Label4;
    QLabel* Label6;
    QLabel* Label7;
    QLabel* Label8;
    QProgressBar* ProgressBar1;
    QStatusBar* StatusBar1;
    QLabel* StatusPanel0;  // the status bar's only panel
    QPlainTextEdit* Memo1;
    QPushButton* Button1;
    QPushButton* Button3;
    QTreeWidget* TreeView1;
    QListWidget* CheckListBox1;
    std::vector<QPixmap> ImageList1;  // state pictures of TreeView1
    QTimer Timer2;
    // The FTP client and the display of its events.
    TFtpClient ftpupdate;
    TransferProgress progress;

    void FormShow();
    void FormClose();
    void Timer2Timer();
    void bfecharClick();
    void batualizarClick();
    void AtualizaSistema();

    std::string program_files();

    // True while a run is going on (the progress display pumps messages
    // meanwhile); a request to leave then waits until the run unwound.
    bool running() const { return running_; }
    bool leaveRequested() const { return leaveRequested_; }

signals:
    // Emitted once the window has closed; the application ends with it.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildTopStrip();
    void buildMainArea();
    void setUpFtpClient();
    // Closes the window, or, during a run, asks the run to stop first.
    void leave();

    bool shown_ = false;
    bool checksPassed_ = false;  // FormShow reached its end: upgrade window and tested list
    bool running_ = false;
    bool leaveRequested_ = false;
};

// Process-wide reference to the upgrade window: created by the update
// window's show handler, destroyed by its close handler.
extern QPointer<Taguarde> aguarde;

}  // namespace velm
