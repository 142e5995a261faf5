#pragma once

#include "sync/UpdateRunView.h"

namespace velm {

class Tfrmvelmupdate;

// The update window as the update run and its progress display see it.
class UpdateWindowView : public UpdateRunView {
public:
    explicit UpdateWindowView(Tfrmvelmupdate& window) : window_(window) {}

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
    bool pumpMessages() override;

    void setTag(int tag) override;
    std::string savedScriptErrorFile() override;
    void showScriptErrorNotice(const std::string& fileName) override;
    int runUpgrade() override;

private:
    Tfrmvelmupdate& window_;
};

}  // namespace velm
