#pragma once

#include <string>
#include <vector>

namespace velm {

// State pictures of the remote-file tree.
enum TreeState {
    tsNone = 0,      // a listing line that names no entry
    tsEqual = 1,     // green: equal, or fetched
    tsFetching = 3,  // orange: being fetched
    tsDiffers = 4,   // red: differs, or its fetch failed
};

// Thrown out of a transfer when the operator asked to leave while the
// progress display pumped the window's messages: the run unwinds and the
// window closes afterwards. Not an error, so no handler reports it.
struct UpdateRunCancelled {};

// What the update run and its progress display need from the update window,
// in the window's own terms. Texts are ANSI. The window implements it; tests
// record it.
class UpdateRunView {
public:
    virtual ~UpdateRunView() = default;

    // The environment checks passed: Label9 is green.
    virtual bool readyToDownload() = 0;
    // Label9's caption, whose text before " - Será" names the first program.
    virtual std::string firstProgramCaption() = 0;
    // PROGR: the folder below which "\winrar\WinRAR.exe" lies.
    virtual std::string programFilesFolder() = 0;
    // The clear FTP password: the catalogue query's text, the column read
    // from its first row (empty without a row), descrambled.
    virtual std::string ftpPassword(const std::string& sql, const std::string& column) = 0;

    // Memo1 takes the raw listing; TreeView1 holds one node per line.
    virtual void showListing(const std::vector<std::string>& lines) = 0;
    virtual void clearTree() = 0;
    virtual void addNode(const std::string& caption, TreeState state) = 0;
    virtual void setNodeState(int node, TreeState state) = 0;
    virtual void repaintTree() = 0;

    virtual void showFileName(const std::string& text) = 0;     // Label3
    virtual void showStatus(const std::string& text) = 0;       // lblstatus
    virtual void showCounter(const std::string& text) = 0;      // lblcontador
    virtual void showStatusPanel(const std::string& text) = 0;  // StatusBar1, panel 0
    // Gauge1's progress, 0 to 100.
    virtual void setGauge(int percent) = 0;
    // Gauge1 at 0 of 100, yellow, shown; ProgressBar1 hidden.
    virtual void resetGauge() = 0;
    virtual void repaintWindow() = 0;
    // The transfer is about to wait for the server: what was set shows now,
    // whatever pace the window paints at otherwise.
    virtual void showBeforeWaiting() = 0;
    // Handles the pending window messages; true when the operator asked to
    // leave meanwhile.
    virtual bool pumpMessages() = 0;

    // The update window's Tag.
    virtual void setTag(int tag) = 0;
    // The first saved failed-script file in the working folder, as the
    // start's gate finds it ("" when none), and its notice.
    virtual std::string savedScriptErrorFile() = 0;
    virtual void showScriptErrorNotice(const std::string& fileName) = 0;
    // Shows the upgrade window modally; its Tag once it closed.
    virtual int runUpgrade() = 0;
};

}  // namespace velm
