#include "windows/UpgradeWindowView.h"

#include <QProgressBar>

#include <memory>

#include "upgrade/uAguarde.h"
#include "windows/AliasLookup.h"
#include "windows/DatabaseList.h"
#include "windows/Unit2.h"

namespace velm {

std::vector<std::string> UpgradeWindowView::tickedDatabaseEntries() {
    return velm::tickedDatabaseEntries(CheckListBox1_);
}

std::string UpgradeWindowView::resolveEntry(const std::string& entry) {
    return velm::resolveEntry(entry);
}

std::string UpgradeWindowView::ChaveProduto() const {
    return aguarde_.ChaveProduto();
}

void UpgradeWindowView::setChaveProduto(const std::string& key) {
    aguarde_.setChaveProduto(key);
}

void UpgradeWindowView::showProgress(int position) {
    // No messages are processed during the run: the bar paints itself, when
    // its position moved (with more scripts than steps, not after each one).
    if (aguarde_.pb1->value() == position) return;
    aguarde_.pb1->setValue(position);
    aguarde_.pb1->repaint();
}

void UpgradeWindowView::flagFailure() {
    aguarde_.Tag = 1;
}

void UpgradeWindowView::showScriptErrorNotice(const std::string& fileName) {
    velm::showScriptErrorNotice(&aguarde_, fileName);
}

void connectUpgradeWindow(Taguarde& aguarde, const QListWidget& CheckListBox1) {
    aguarde.setView(std::make_unique<UpgradeWindowView>(aguarde, CheckListBox1));
}

}  // namespace velm
