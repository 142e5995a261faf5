#pragma once

#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/ReplacementFile.h"
#include "sync/StagedFiles.h"

namespace velm::test {

// The files of the commit tests: some replace a file of the folder, some
// are new; sizes differ so that a file of the wrong set shows.
struct CommitTestFile {
    const char* name;
    std::string old;  // "" for a new file
    std::string fresh;
};

inline std::vector<CommitTestFile> commitTestSet() {
    return {
        {"Loja.exe", "loja velha", std::string(70000, 'L')},
        {"novo.dll", "", "biblioteca nova"},
        {"Relatorio.exe", std::string(5000, 'r'), "relatorio novo"},
        {"LEIAME.TXT", "", "leia-me\r\n"},
        {"base.dll", "dll velha", "dll nova, maior"},
        {"Config.ini", "[velho]", ""},  // a new version that is empty
    };
}

// Stages the new version of every file of the set in `folder`.
inline void stageCommitTestSet(const std::string& folder, StagedFiles& staged) {
    for (const CommitTestFile& f : commitTestSet()) {
        ReplacementFile file(folder + "\\" + f.name);
        file.write(f.fresh.data(), f.fresh.size());
        staged.add(f.name, file.stage());
    }
}

}  // namespace velm::test
