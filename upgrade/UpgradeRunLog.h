#pragma once

#include <cstdint>
#include <string>

namespace velm {

// The upgrade run's lines in the run log (platform/RunLog.h), one call per
// event. None of them raises.

// "upgrade start": how many ticked databases; "upgrade end".
void logUpgradeStart(std::size_t databases);
void logUpgradeEnd();
// "upgrade stopped": an error outside the scripts ended the run.
void logUpgradeStopped(const std::string& error);
// "database": its entry and the path it resolved to.
void logDatabase(const std::string& entry, const std::string& path);
// The database has no EMPRESA.NOME: the whole run ends here.
void logNotProductDatabase();
// The version VERSAO holds and the number of scripts pending above it.
void logVersionFound(const std::string& version, std::int64_t pending);
// "script": its version as it begins, "ok" once it and its version
// committed, or the failure with the saved file's name.
void logScriptStart(const std::string& version, std::size_t lines);
void logScriptOk();
void logScriptFailed(const std::string& error, const std::string& savedFile);

}  // namespace velm
