#pragma once

#include <QElapsedTimer>
#include <QRegion>
#include <QTimer>
#include <map>
#include <optional>
#include <string>

#include "sync/UpdateRunView.h"

class QWidget;

namespace velm {

class Tfrmvelmupdate;

// The update window as the update run and its progress display see it.
//
// The run blocks the event loop, so the window is painted from here. It is
// painted at the screen's pace, not on every event (each paint waits on the
// display, which cost more than a small file's download): the texts, the
// gauge and the tree states the run sets are kept and shown together at most
// once per kScreenIntervalMs while the run goes on (from its calls, its
// message pumps, or a timer while a modal window's loop runs), and at once
// when a download that lasted a screen interval or more ends, before a
// modal window of the run, and at the end of the run. So every state reaches
// the screen in order, each download's node keeps its colour in the tree, and
// what the run set last is always shown.
class UpdateWindowView : public UpdateRunView {
public:
    explicit UpdateWindowView(Tfrmvelmupdate& window);

    // How often at most the window is painted while a run goes on.
    static constexpr int kScreenIntervalMs = 16;

    // The item data role under which a tree node keeps its state index.
    static constexpr int kStateRole = 0x0101;  // Qt::UserRole + 1

    bool readyToDownload() override;
    std::string firstProgramCaption() override;
    std::string programFilesFolder() override;
    std::string ftpPassword(const std::string& sql, const std::string& column) override;

    void showListing(const std::vector<std::string>& lines) override;
    void clearTree() override;
    void addNode(const std::string& caption, TreeState state) override;
    void setNodeState(int node, TreeState state) override;
    void repaintTree() override;

    void showFileName(const std::string& text) override;
    void showStatus(const std::string& text) override;
    void showCounter(const std::string& text) override;
    void showStatusPanel(const std::string& text) override;
    void setGauge(int percent) override;
    void resetGauge() override;
    void repaintWindow() override;
    void showBeforeWaiting() override { showNow(); }
    bool pumpMessages() override;

    void setTag(int tag) override;
    std::string savedScriptErrorFile() override;
    void showScriptErrorNotice(const std::string& fileName) override;
    int runUpgrade() override;

    // Puts what the run set on the window and paints it, now.
    void showNow();
    // From here to endRun the window is painted at the screen's pace; outside
    // a run the event loop runs and every change shows at once. endRun shows
    // where the run stopped.
    void beginRun();
    void endRun();

private:
    // What the run set and the window does not show yet.
    struct Pending {
        std::optional<std::string> fileName, status, counter, statusPanel;
        std::optional<int> gauge;
        std::map<int, TreeState> nodes;
        bool empty() const {
            return !fileName && !status && !counter && !statusPanel && !gauge && nodes.empty();
        }
    };

    // showNow when the last painting is kScreenIntervalMs old, else a timer
    // shows it then.
    void showWhenDue();
    void applyPending();
    // The widget's area, in the window, is painted at the next showNow.
    void markChanged(const QWidget& widget);

    Tfrmvelmupdate& window_;
    bool paced_ = false;
    Pending pending_;
    QRegion changed_;
    QElapsedTimer sinceShown_;
    QElapsedTimer fetching_;  // since the current download's node turned orange
    QTimer dueTimer_;
};

}  // namespace velm
