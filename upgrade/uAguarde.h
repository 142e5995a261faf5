#pragma once

#include <QDialog>
#include <QTimer>

#include <string>

#include "upgrade/CatalogueDatabase.h"
#include "upgrade/CatalogueQuery.h"
#include "upgrade/CatalogueTable.h"
#include "upgrade/DBMemo.h"
#include "upgrade/FbDatabase.h"
#include "upgrade/FbQuery.h"
#include "upgrade/FbTransaction.h"
#include "upgrade/SqlScript.h"

class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;

namespace velm {

// The upgrade window: the small borderless "Aguarde..." box shown while the
// schema upgrade runs, and the owner of every database connection the
// updater uses (the script catalogue and the product database), from its
// creation until the update window closes.
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

    // The script catalogue: alias "Check", database name "Sistema_my".
    CatalogueDatabase Database1;
    // Pending scripts of one product database (programa, versao); the master
    // of Table2 (the data link DataSource3).
    CatalogueQuery Query2{Database1};
    // Counts and the FTP password.
    CatalogueQuery Query3{Database1};
    // The scripts row of Query2's current (programa, versao).
    CatalogueTable Table2{Database1};
    // Table2's texto as lines (through the data link DataSource2).
    DBMemo DBMemo1;

    // The product database, SQL dialect 1, its name set before each use.
    FbDatabase FbDatabase1;
    // Transaction of the script engine.
    FbTransaction FbTransaction1{&FbDatabase1};
    TSqlScript FbScript1{FbDatabase1, FbTransaction1};
    // Transaction of FbQuery1.
    FbTransaction FbTransaction2{&FbDatabase1};
    // Existence checks and the VERSAO table.
    FbQuery FbQuery1{FbDatabase1, FbTransaction2};

    // The product key the catalogue's scripts are selected by; empty
    // outside a run.
    const std::string& ChaveProduto() const { return ChaveProduto_; }
    void setChaveProduto(const std::string& key) { ChaveProduto_ = key; }

    // Creation: the catalogue login lines and an empty product key. Opens nothing.
    void FormCreate();
    // Showing arms Timer1.
    void FormShow();
    // The timer's handler disables it first; the upgrade run starts here.
    void Timer1Timer();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    void setComponents();

    std::string ChaveProduto_;
};

}  // namespace velm
