#pragma once

#include <QDialog>
#include <QTimer>

#include <memory>
#include <string>

#include "upgrade/DatabaseConnections.h"
#include "upgrade/UpgradeRunView.h"

class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;

namespace velm {

// The upgrade window: the small borderless "Aguarde..." box shown while the
// schema upgrade runs, and the owner of every database connection the
// updater uses (the script catalogue and the product database), from its
// creation until the update window closes. The update window that creates it
// gives it the view through which the run reaches the database list and the
// script-error notice (setView); without one a showing closes at once.
class Taguarde : public QDialog {
    Q_OBJECT

public:
    explicit Taguarde(QWidget* owner);
    ~Taguarde() override;

    // 0 at creation; 1 once a script failed. This window never sets it back.
    int Tag = 0;

    // Visual components, back to front. Edit1 lies outside the client area
    // and holds the keyboard focus.
    QLineEdit* Edit1;
    QFrame* Shape1;
    QFrame* Bevel1;
    QLabel* AGUARDE;
    QLabel* Label1;
    QProgressBar* pb1;
    // Starts the upgrade run once the window shows.
    QTimer Timer1;

    // The catalogue and the product database with their queries and the
    // script engine (Database1, Query2, Query3, Table2, DBMemo1,
    // FbDatabase1, FbTransaction1, FbScript1, FbTransaction2, FbQuery1).
    DatabaseConnections& connections() { return connections_; }

    // How the run reaches the windows around this one.
    void setView(std::unique_ptr<UpgradeRunView> view) { view_ = std::move(view); }

    // The product key the catalogue's scripts are selected by; empty
    // outside a run.
    const std::string& ChaveProduto() const { return ChaveProduto_; }
    void setChaveProduto(const std::string& key) { ChaveProduto_ = key; }

    // Creation: the catalogue login lines and an empty product key. Opens nothing.
    void FormCreate();
    // Showing arms Timer1.
    void FormShow();
    // The timer's handler: disables the timer, runs the upgrade over the
    // ticked databases and closes the window.
    void Timer1Timer();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();

    DatabaseConnections connections_;
    std::unique_ptr<UpgradeRunView> view_;
    std::string ChaveProduto_;
};

}  // namespace velm
