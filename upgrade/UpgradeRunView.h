#pragma once

#include <string>
#include <vector>

namespace velm {

// What the upgrade run needs beyond the connections: the upgrade window
// (its product key, its bar, its Tag) and, through it, the update window's
// database list and the script-error notice. The windows layer implements
// it; tests record it.
class UpgradeRunView {
public:
    virtual ~UpgradeRunView() = default;

    // The entries of the database list's ticked lines, in list order (ANSI).
    virtual std::vector<std::string> tickedDatabaseEntries() = 0;
    // The database path of an entry: the entry itself when it names a
    // database file, else its alias's "SERVER NAME" ("" when unresolved).
    virtual std::string resolveEntry(const std::string& entry) = 0;

    // The window's product key (ChaveProduto).
    virtual std::string ChaveProduto() const = 0;
    virtual void setChaveProduto(const std::string& key) = 0;
    // pb1 at the position (0..100), repainted at once.
    virtual void showProgress(int position) = 0;
    // The window's Tag becomes 1: a script failed, or the run ended on an error.
    virtual void flagFailure() = 0;
    // The script-error notice for the saved file, shown modally.
    virtual void showScriptErrorNotice(const std::string& fileName) = 0;
};

}  // namespace velm
