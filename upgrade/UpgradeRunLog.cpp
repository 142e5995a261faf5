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

std::string scriptVersion() {
    return logField("version", currentScript());
}

}  // namespace

void logUpgradeStart(std::size_t databases) {
    logBuiltEvent([&] {
        return "upgrade start" + logField("databases", static_cast<std::int64_t>(databases));
    });
}

void logUpgradeEnd() {
    logEvent("upgrade end");
}

void logUpgradeStopped(const std::string& error) {
    logBuiltEvent([&] { return "upgrade stopped" + logField("error", error); });
}

void logDatabase(const std::string& entry, const std::string& path) {
    logBuiltEvent([&] { return "database" + logField("entry", entry) + logField("path", path); });
}

void logNotProductDatabase() {
    logEvent("database result=not-a-product-database reason=no-EMPRESA.NOME run=ends");
}

void logVersionFound(const std::string& version, std::int64_t pending) {
    logBuiltEvent(
        [&] { return "database" + logField("version", version) + logField("pending", pending); });
}

void logScriptStart(const std::string& version, std::size_t lines) {
    logBuiltEvent([&] {
        currentScript() = version;
        return "script" + scriptVersion() + logField("lines", static_cast<std::int64_t>(lines)) +
               " result=started";
    });
}

void logScriptOk() {
    logBuiltEvent([] { return "script" + scriptVersion() + " result=ok"; });
}

void logScriptFailed(const std::string& error, const std::string& savedFile) {
    logBuiltEvent([&] {
        return "script" + scriptVersion() + " result=failed" + logField("saved", savedFile) +
               logField("error", error);
    });
}

}  // namespace velm
