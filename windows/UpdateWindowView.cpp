#include "windows/UpdateWindowView.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRect>
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

UpdateWindowView::UpdateWindowView(Tfrmvelmupdate& window) : window_(window) {
    sinceShown_.start();
    dueTimer_.setSingleShot(true);
    QObject::connect(&dueTimer_, &QTimer::timeout, &dueTimer_, [this] { showNow(); });
}

void UpdateWindowView::beginRun() {
    paced_ = true;
}

void UpdateWindowView::endRun() {
    paced_ = false;
    showNow();
}

void UpdateWindowView::showWhenDue() {
    const qint64 age = sinceShown_.elapsed();
    if (!paced_ || age >= kScreenIntervalMs) {
        showNow();
    } else if (!dueTimer_.isActive()) {
        dueTimer_.start(static_cast<int>(kScreenIntervalMs - age));
    }
}

void UpdateWindowView::showNow() {
    dueTimer_.stop();
    applyPending();
    // Painted here, not when the blocked event loop would get to it; only
    // the areas that changed, a label's as it was and as it is now.
    if (!changed_.isEmpty()) window_.repaint(changed_);
    changed_ = QRegion();
    sinceShown_.restart();
}

void UpdateWindowView::markChanged(const QWidget& widget) {
    if (widget.isVisible()) changed_ += QRect(widget.mapTo(&window_, QPoint(0, 0)), widget.size());
}

void UpdateWindowView::applyPending() {
    Pending p = std::move(pending_);
    pending_ = {};
    const auto caption = [this](QLabel& label, const std::string& text) {
        markChanged(label);
        setCaption(label, text);
        markChanged(label);
    };
    if (p.fileName) caption(*window_.Label3, *p.fileName);
    if (p.status) caption(*window_.lblstatus, *p.status);
    if (p.counter) caption(*window_.lblcontador, *p.counter);
    if (p.statusPanel) {
        window_.StatusPanel0->setText(shown(*p.statusPanel));
        markChanged(*window_.StatusPanel0);
    }
    if (p.gauge) {
        window_.Gauge1->setProgress(*p.gauge);
        markChanged(*window_.Gauge1);
    }
    QTreeWidget& tree = *window_.TreeView1;
    for (const auto& [node, state] : p.nodes) {
        if (QTreeWidgetItem* item = tree.topLevelItem(node)) {
            showState(*item, state, window_.ImageList1);
            const QRect row = tree.visualItemRect(item);
            if (row.isValid())
                changed_ += QRect(tree.viewport()->mapTo(&window_, row.topLeft()), row.size());
        }
    }
}

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
    markChanged(*window_.Memo1);
    showNow();
}

void UpdateWindowView::clearTree() {
    pending_.nodes.clear();
    window_.TreeView1->clear();
    markChanged(*window_.TreeView1);
}

void UpdateWindowView::addNode(const std::string& caption, TreeState state) {
    auto* node = new QTreeWidgetItem(window_.TreeView1, QStringList(shown(caption)));
    showState(*node, state, window_.ImageList1);
    markChanged(*window_.TreeView1);
}

void UpdateWindowView::setNodeState(int node, TreeState state) {
    pending_.nodes[node] = state;
    if (state == tsFetching) {
        fetching_.start();
        showWhenDue();
        return;
    }
    // A node leaving the fetching state ends a download. One the operator
    // could watch (a screen interval or longer) shows its end at once; the
    // end of a shorter one shows with the next paint, its node's colour
    // staying in the tree: a paint per small file would cost more than the
    // file (each paint waits on the display).
    if (fetching_.isValid() && fetching_.elapsed() >= kScreenIntervalMs)
        showNow();
    else
        showWhenDue();
    fetching_.invalidate();
}

void UpdateWindowView::repaintTree() {
    showWhenDue();
}

void UpdateWindowView::showFileName(const std::string& text) {
    pending_.fileName = text;
    showWhenDue();
}

void UpdateWindowView::showStatus(const std::string& text) {
    pending_.status = text;
    showWhenDue();
}

void UpdateWindowView::showCounter(const std::string& text) {
    pending_.counter = text;
    showWhenDue();
}

void UpdateWindowView::showStatusPanel(const std::string& text) {
    pending_.statusPanel = text;
    showWhenDue();
}

void UpdateWindowView::setGauge(int percent) {
    pending_.gauge = percent;
    showWhenDue();
}

void UpdateWindowView::resetGauge() {
    pending_.gauge = 0;
    applyPending();
    markChanged(*window_.ProgressBar1);
    window_.Gauge1->setMaxValue(100);
    window_.ProgressBar1->hide();
    window_.Gauge1->show();
    window_.Gauge1->setForeColor(toQColor(clYellow));
    markChanged(*window_.Gauge1);
    showNow();
}

void UpdateWindowView::repaintWindow() {
    showWhenDue();
}

bool UpdateWindowView::pumpMessages() {
    showWhenDue();
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
    showNow();
    velm::showScriptErrorNotice(&window_, fileName);
}

int UpdateWindowView::runUpgrade() {
    showNow();
    aguarde->exec();
    return aguarde->Tag;
}

}  // namespace velm
