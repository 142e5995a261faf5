#pragma once

#include <functional>
#include <string>

namespace velm {

// The main store program's executables may arrive in "Sys_Brevant.rar": the
// first sibling program is moved aside (to "Sys_Brevant.old") and the
// archiver is started, without waiting, to extract every executable here.

inline constexpr const char* kArchiveFile = "Sys_Brevant.rar";
inline constexpr const char* kMainProgram = "Sys_Brevant.exe";

// The first program's name: the caption's text before " - Será" ("" when
// the caption does not hold it).
std::string firstProgramName(const std::string& label9Caption);

// The step runs when something was downloaded (or the main program is
// missing), nothing failed, and the archive is present.
bool archiveStepDue(bool downloaded, bool errorFlag);

// "Sys_Brevant.old" beside the first program.
std::string oldCopyName(const std::string& firstProgram);

// The archiver's command line: extract with paths, overwrite, executables
// only, into the first program's folder (".\" when it has none).
std::string archiverCommandLine(const std::string& PROGR, const std::string& firstProgram);

// Whether the archive may be extracted (with a signed list: it is the one
// the list names); false stops the step, the operator having been told.
using ArchiveCheck = std::function<bool()>;

// Runs the step when it is due. Asks `vouched` first, before anything of
// the folder changes (a refused archive: the error flag, nothing moved).
// Moves the first program aside (only once its copy holds it), waits up to
// five seconds for it to go, then starts the archiver. When the program
// stays, or its copy cannot be made, tells the operator, deletes the
// archive and sets the error flag.
void runArchiveStep(const std::string& PROGR, const std::string& firstProgram, bool downloaded,
                    bool& errorFlag, const ArchiveCheck& vouched = {});

}  // namespace velm
