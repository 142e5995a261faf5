#include "windows/UpdateWindowView.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTreeWidget>
#include <exception>

#include "platform/QtAnsi.h"
#include "upgrade/ScriptFailureFile.h"
#include "upgrade/uAguarde.h"
#include "widgets/Colors.h"
#include "widgets/Gauge.h"
#include "windows/CatalogueFtpPassword.h"
#include "windows/Unit1.h"
#include "windows/Unit2.h"
#include "windows/untfrmvelmupdate.h"

namespace velm {

namespace {

// Text from the server: a byte the code page leaves undefined still shows.
QString shown(const std::string& text) {
    try {
        return fromAnsi(text);
    } catch (const std::exception&) {
        return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    }
}

// A label's text, sized to it as the window's labels are.
void setCaption(QLabel& label, const std::string& text) {
    label.setText(shown(text));
    label.adjustSize();
}

void showState(QTreeWidgetItem& node, TreeState state, const std::vector<QPixmap>& pictures) {
    node.setData(0, UpdateWindowView::kStateRole, static_cast<int>(state));
    // State 0 shows no picture.
    node.setIcon(0, state == tsNone ? QIcon() : QIcon(pictures.at(state)));
}

}  // namespace

bool UpdateWindowView::readyToDownload() {
    return window_.Label9->palette().color(QPalette::WindowText) == toQColor(clGreen);
}

std::string UpdateWindowView::firstProgramCaption() {
    return toAnsi(window_.Label9->text());
}

std::string UpdateWindowView::programFilesFolder() {
    return window_.PROGR;
}

std::string UpdateWindowView::ftpPassword(const std::string& sql, const std::string& column) {
    return readFtpPassword(*aguarde, sql, column);
}

void UpdateWindowView::showListing(const std::vector<std::string>& lines) {
    QStringList text;
    text.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string& line : lines) text.push_back(shown(line));
    window_.Memo1->setPlainText(text.join(QLatin1Char('\n')));
    window_.Memo1->repaint();
}

void UpdateWindowView::clearTree() {
    window_.TreeView1->clear();
}

void UpdateWindowView::addNode(const std::string& caption, TreeState state) {
    auto* node = new QTreeWidgetItem(window_.TreeView1, QStringList(shown(caption)));
    showState(*node, state, window_.ImageList1);
}

void UpdateWindowView::setNodeState(int node, TreeState state) {
    showState(*window_.TreeView1->topLevelItem(node), state, window_.ImageList1);
}

void UpdateWindowView::repaintTree() {
    window_.TreeView1->repaint();
}

void UpdateWindowView::showFileName(const std::string& text) {
    setCaption(*window_.Label3, text);
}

void UpdateWindowView::showStatus(const std::string& text) {
    setCaption(*window_.lblstatus, text);
}

void UpdateWindowView::showCounter(const std::string& text) {
    setCaption(*window_.lblcontador, text);
}

void UpdateWindowView::showStatusPanel(const std::string& text) {
    window_.StatusPanel0->setText(shown(text));
}

void UpdateWindowView::setGauge(int percent) {
    window_.Gauge1->setProgress(percent);
}

void UpdateWindowView::resetGauge() {
    window_.Gauge1->setProgress(0);
    window_.Gauge1->setMaxValue(100);
    window_.ProgressBar1->hide();
    window_.Gauge1->show();
    window_.Gauge1->setForeColor(toQColor(clYellow));
    window_.Gauge1->repaint();
}

void UpdateWindowView::repaintWindow() {
    window_.repaint();
}

bool UpdateWindowView::pumpMessages() {
    QCoreApplication::processEvents();
    return window_.leaveRequested();
}

void UpdateWindowView::setTag(int tag) {
    window_.Tag = tag;
}

std::string UpdateWindowView::savedScriptErrorFile() {
    return firstSavedScriptFile(TForm1::ListFiles);
}

void UpdateWindowView::showScriptErrorNotice(const std::string& fileName) {
    velm::showScriptErrorNotice(&window_, fileName);
}

int UpdateWindowView::runUpgrade() {
    aguarde->exec();
    return aguarde->Tag;
}

}  // namespace velm
