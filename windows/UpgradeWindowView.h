#pragma once

#include <string>
#include <vector>

#include "upgrade/UpgradeRunView.h"

class QListWidget;

namespace velm {

class Taguarde;

// The upgrade run's view of the windows: the upgrade window's key, bar and
// Tag, the update window's database list (CheckListBox1) with the alias
// lookup, and the script-error notice owned by the upgrade window.
class UpgradeWindowView : public UpgradeRunView {
public:
    UpgradeWindowView(Taguarde& aguarde, const QListWidget& CheckListBox1)
        : aguarde_(aguarde), CheckListBox1_(CheckListBox1) {}

    std::vector<std::string> tickedDatabaseEntries() override;
    std::string resolveEntry(const std::string& entry) override;
    std::string ChaveProduto() const override;
    void setChaveProduto(const std::string& key) override;
    void showProgress(int position) override;
    void flagFailure() override;
    void showScriptErrorNotice(const std::string& fileName) override;

private:
    Taguarde& aguarde_;
    const QListWidget& CheckListBox1_;
};

// Gives the upgrade window its view over the update window's database list;
// the update window calls it once it has created the upgrade window.
void connectUpgradeWindow(Taguarde& aguarde, const QListWidget& CheckListBox1);

}  // namespace velm
