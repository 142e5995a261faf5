#pragma once

#include <functional>
#include <string>
#include <vector>

#include "sync/UpdateRunView.h"

namespace velm::test {

// The update window as a transcript: every call the run and its progress
// display make, as a line ("node 2 state 3"), plus the state they leave.
class RecordingRunView : public UpdateRunView {
public:
    // What the window answers.
    bool ready = true;
    std::string caption = "App_Vezra_Config.exe - Ser\xE1 atualizado";
    std::string PROGR = "C:\\Program Files";
    std::string password = "secret";
    std::string savedScript;  // a SCRIPT_ERRO file the search finds
    int upgradeTag = 0;
    // pumpMessages answers true from this call on (0: never).
    int leaveAtPump = 0;
    // pumpMessages also answers true once this says so.
    std::function<bool()> leaveWhen;

    // What the window shows.
    std::vector<std::string> transcript;
    std::vector<std::string> nodes;
    std::vector<TreeState> states;
    std::vector<std::string> listing;
    std::string fileName, status, counter, panel;
    int gauge = -1;
    int pumps = 0;
    int shownBeforeWaiting = 0;
    int upgrades = 0;
    int tag = 0;

    // The transcript lines that begin with `prefix`.
    std::vector<std::string> calls(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const std::string& line : transcript)
            if (line.rfind(prefix, 0) == 0) found.push_back(line);
        return found;
    }

    bool readyToDownload() override { return ready; }
    std::string firstProgramCaption() override { return caption; }
    std::string programFilesFolder() override { return PROGR; }
    std::string ftpPassword(const std::string& sql, const std::string& column) override {
        transcript.push_back("password " + sql + " / " + column);
        return password;
    }
    void showListing(const std::vector<std::string>& lines) override {
        listing = lines;
        transcript.push_back("listing " + std::to_string(lines.size()));
    }
    void clearTree() override {
        nodes.clear();
        states.clear();
        transcript.push_back("clear tree");
    }
    void addNode(const std::string& caption, TreeState state) override {
        nodes.push_back(caption);
        states.push_back(state);
        transcript.push_back("add node " + std::to_string(nodes.size() - 1) + " state " +
                             std::to_string(state));
    }
    void setNodeState(int node, TreeState state) override {
        states.at(static_cast<std::size_t>(node)) = state;
        transcript.push_back("node " + std::to_string(node) + " state " + std::to_string(state));
    }
    void repaintTree() override {}
    void showFileName(const std::string& text) override {
        fileName = text;
        transcript.push_back("name " + text);
    }
    void showStatus(const std::string& text) override {
        status = text;
        transcript.push_back("status " + text);
    }
    void showCounter(const std::string& text) override {
        counter = text;
        transcript.push_back("counter " + text);
    }
    void showStatusPanel(const std::string& text) override {
        panel = text;
        transcript.push_back("panel " + text);
    }
    void setGauge(int percent) override {
        gauge = percent;
        transcript.push_back("gauge " + std::to_string(percent));
    }
    void resetGauge() override {
        gauge = 0;
        transcript.push_back("reset gauge");
    }
    void repaintWindow() override {}
    void showBeforeWaiting() override { ++shownBeforeWaiting; }
    bool pumpMessages() override {
        ++pumps;
        return (leaveAtPump > 0 && pumps >= leaveAtPump) || (leaveWhen && leaveWhen());
    }
    void setTag(int value) override {
        tag = value;
        transcript.push_back("tag " + std::to_string(value));
    }
    std::string savedScriptErrorFile() override { return savedScript; }
    void showScriptErrorNotice(const std::string& name) override {
        transcript.push_back("notice " + name);
    }
    int runUpgrade() override {
        ++upgrades;
        transcript.push_back("upgrade");
        return upgradeTag;
    }
};

}  // namespace velm::test
