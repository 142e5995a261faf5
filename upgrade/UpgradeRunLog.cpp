#include "upgrade/UpgradeRunLog.h"

#include "platform/RunLog.h"

namespace velm {

namespace {

// The script begun last: its result lines name it too, so that one grep for
// "result=failed" gives the version.
std::string& currentScript() {
    static std::string version;
    return version;
}

template <class Build>
void logBuilt(Build build) noexcept {
    try {
        logEvent(build());
    } catch (...) {
    }
}

std::string scriptVersion() {
    return logField("version", currentScript());
}

}  // namespace

void logUpgradeStart(std::size_t databases) {
    logBuilt([&] {
        return "upgrade start" + logField("databases", static_cast<std::int64_t>(databases));
    });
}

void logUpgradeEnd() {
    logEvent("upgrade end");
}

void logUpgradeStopped(const std::string& error) {
    logBuilt([&] { return "upgrade stopped" + logField("error", error); });
}

void logDatabase(const std::string& entry, const std::string& path) {
    logBuilt([&] { return "database" + logField("entry", entry) + logField("path", path); });
}

void logNotProductDatabase() {
    logEvent("database result=not-a-product-database reason=no-EMPRESA.NOME run=ends");
}

void logVersionFound(const std::string& version, std::int64_t pending) {
    logBuilt(
        [&] { return "database" + logField("version", version) + logField("pending", pending); });
}

void logScriptStart(const std::string& version, std::size_t lines) {
    logBuilt([&] {
        currentScript() = version;
        return "script" + scriptVersion() + logField("lines", static_cast<std::int64_t>(lines)) +
               " result=started";
    });
}

void logScriptOk() {
    logBuilt([] { return "script" + scriptVersion() + " result=ok"; });
}

void logScriptFailed(const std::string& error, const std::string& savedFile) {
    logBuilt([&] {
        return "script" + scriptVersion() + " result=failed" + logField("saved", savedFile) +
               logField("error", error);
    });
}

}  // namespace velm
