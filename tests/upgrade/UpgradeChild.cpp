// A stand-in updater process for the tests that stop one in the middle of a
// script: it runs the upgrade run over the one database entry it is given,
// with the catalogue of the alias store named by VELMUPDATE_ALIASES, as the
// upgrade window would, and shows nothing.
#include <QCoreApplication>
#include <string>
#include <vector>

#include "upgrade/DatabaseConnections.h"
#include "upgrade/UpgradeRun.h"
#include "upgrade/UpgradeRunView.h"

namespace {

class SilentView : public velm::UpgradeRunView {
public:
    explicit SilentView(std::string entry) : entry_(std::move(entry)) {}
    std::vector<std::string> tickedDatabaseEntries() override { return {entry_}; }
    // The tests give a database path, never an alias.
    std::string resolveEntry(const std::string& entry) override { return entry; }
    std::string ChaveProduto() const override { return key_; }
    void setChaveProduto(const std::string& key) override { key_ = key; }
    void showProgress(int) override {}
    void flagFailure() override {}
    void showScriptErrorNotice(const std::string&) override {}

private:
    std::string entry_;
    std::string key_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    QCoreApplication app(argc, argv);  // Qt Sql loads its drivers only with one
    velm::DatabaseConnections connections;
    SilentView view(argv[1]);
    velm::UpgradeRun(connections, view).Run();
    return 0;
}
