#include "sync/ArchiveStep.h"

#include "platform/ArchiverPath.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/Shell.h"
#include "sync/UpdateRunLog.h"

namespace velm {

namespace {

constexpr int kRemovalWaits = 5;

// The folder part with its separator, as it prefixes a name ("" when none).
std::string folderPrefix(const std::string& name) {
    const std::size_t separator = name.find_last_of("\\/:");
    return separator == std::string::npos ? std::string() : name.substr(0, separator + 1);
}

// The program could not be moved aside: the archive goes, so that the next
// run does not extract it over a program that is still running.
void refuse(const std::string& firstProgram, bool& errorFlag) {
    logArchiveRefused(firstProgram);
    dialogs().message("N\xE3o foi poss\xEDvel apagar arquivo " + firstProgram + ".");
    fileSystem().deleteFile(kArchiveFile);
    errorFlag = true;
}

}  // namespace

std::string firstProgramName(const std::string& label9Caption) {
    const std::size_t marker = label9Caption.find(" - Ser\xE1");
    return marker == std::string::npos ? std::string() : label9Caption.substr(0, marker);
}

bool archiveStepDue(bool downloaded, bool errorFlag) {
    FileSystem& files = fileSystem();
    return (downloaded || !files.fileExists(kMainProgram)) && !errorFlag &&
           files.fileExists(kArchiveFile);
}

std::string oldCopyName(const std::string& firstProgram) {
    return folderPrefix(firstProgram) + "Sys_Brevant.old";
}

std::string archiverCommandLine(const std::string& PROGR, const std::string& firstProgram) {
    std::string target = folderPrefix(firstProgram);
    if (target.empty()) target = ".\\";
    return PROGR + kArchiverBelowProgramFiles + " x -o+ Sys_Brevant.rar *.exe \"" + target + "\"";
}

void runArchiveStep(const std::string& PROGR, const std::string& firstProgram, bool downloaded,
                    bool& errorFlag, const ArchiveCheck& vouched) {
    if (!archiveStepDue(downloaded, errorFlag)) {
        logArchiveSkipped(downloaded, errorFlag);
        return;
    }
    if (vouched && !vouched()) {
        errorFlag = true;
        return;
    }
    FileSystem& files = fileSystem();
    if (files.fileExists(firstProgram)) {
        const std::string old = oldCopyName(firstProgram);
        files.deleteFile(old);
        // Deleting the program is safe only once its copy holds it.
        if (!files.copyFile(firstProgram, old) || !files.fileExists(old)) {
            refuse(firstProgram, errorFlag);
            return;
        }
        files.deleteFile(firstProgram);
    }
    // A deletion the system holds pending (the file still open) needs time.
    for (int waits = 0; waits < kRemovalWaits && files.fileExists(firstProgram); ++waits)
        process().sleepMilliseconds(1000);
    if (files.fileExists(firstProgram)) {
        refuse(firstProgram, errorFlag);
        return;
    }
    const std::string commandLine = archiverCommandLine(PROGR, firstProgram);
    logArchiveStarted(commandLine);
    shell().startProgram(commandLine);
}

}  // namespace velm
