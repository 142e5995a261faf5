#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/ReplacementFile.h"
#include "support/FileBytes.h"
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

// A folder's files by name with their bytes.
using FolderContents = std::map<std::string, std::string>;

inline FolderContents folderContents(const std::filesystem::path& folder) {
    FolderContents contents;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        contents[e.path().filename().string()] = readFileBytes(e.path());
    return contents;
}

// The set before and after the commit.
inline FolderContents oldCommitSet() {
    FolderContents set;
    for (const CommitTestFile& f : commitTestSet())
        if (!f.old.empty()) set[f.name] = f.old;
    return set;
}

inline FolderContents newCommitSet() {
    FolderContents set;
    for (const CommitTestFile& f : commitTestSet()) set[f.name] = f.fresh;
    return set;
}

inline void writeOldCommitSet(const std::filesystem::path& folder) {
    for (const auto& [name, bytes] : oldCommitSet()) writeFileBytes(folder / name, bytes);
}

}  // namespace velm::test
