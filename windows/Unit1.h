#pragma once

#include <QDialog>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;

namespace velm {

class TGradient;
class TLabel3D;

// The safety gate: the operator confirms that every application here and on
// the terminals is closed. Its only result is Tag (1 = confirmed). While a
// saved failed-script file lies in the folder it hands over to the notice
// and the start ends.
class TForm1 : public QDialog {
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    int Tag = 0;

    TGradient* Gradient1;
    TLabel3D* Label3D1;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QCheckBox* CheckBox1;
    QPushButton* BitBtn1;
    QPushButton* Button3;
    QCheckBox* CheckBox2;
    QTimer Timer1;

    // Appends the names matching `pattern` (every attribute, no folder part,
    // names beginning with "." skipped) to `list`, then sorts the list
    // case-insensitively by the user's locale.
    static void ListFiles(const std::string& pattern, std::vector<std::string>& list);

    void FormShow();
    void CheckBox1Click();
    void BitBtn1Click();
    void Button3Click();
    void Timer1Timer();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// Process-wide reference to the gate: set by the start sequence, destroyed by
// the update window once confirmed.
extern std::unique_ptr<TForm1> Form1;

}  // namespace velm
