#pragma once

#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/DateTime.h"
#include "platform/Registry.h"

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

// The application's main window: environment checks when first shown, then
// the update run on "&Atualizar agora".
class Tfrmvelmupdate : public QWidget {
    Q_OBJECT

public:
    explicit Tfrmvelmupdate(QWidget* parent = nullptr);
    ~Tfrmvelmupdate() override;

    // Fields of the window.
    std::string PROGR;  // folder beneath which "\winrar\winrar.exe" lies
    DateTime STime;     // start of the current transfer
    std::uint32_t BytesToTransfer = 0;
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

    void FormShow();
    void FormClose();
    void Timer2Timer();
    void bfecharClick();

    std::string program_files();
    RegistryValue ReadRegistryValue(RegistryRoot root, const std::string& keyPath,
                                    const std::string& valueName);

signals:
    // Emitted once the window has closed; the application ends with it.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildTopStrip();
    void buildMainArea();
    bool shown_ = false;
};

}  // namespace velm
