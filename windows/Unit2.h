#pragma once

#include <QDialog>
#include <QPointer>
#include <string>

class QLabel;
class QPushButton;

namespace velm {

class TGradient;
class TLabel3D;

// The script-error notice: names the saved failed-script file and asks the
// operator to warn the product's support.
class TForm2 : public QDialog {
    Q_OBJECT

public:
    explicit TForm2(QWidget* owner);

    TGradient* Gradient1;
    TLabel3D* Label3D1;
    QLabel* Label1;
    QPushButton* Button3;

    void Button3Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
};

// Process-wide reference to the notice: set by whoever creates one; each user
// creates a fresh notice and destroys it after showing it.
extern QPointer<TForm2> Form2;

// The caption of the notice's Label1 for a saved file (ANSI name).
QString savedScriptCaption(const std::string& fileName);

// The notice protocol: create the notice owned by `owner`, name the file,
// show it modally, destroy it.
void showScriptErrorNotice(QWidget* owner, const std::string& fileName);

}  // namespace velm
