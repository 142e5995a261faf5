#pragma once

#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace velm {

// Whole text files through a file system's streams, shared by the
// implementations of every OS.
std::vector<std::string> readTextFile(FileSystem& files, const std::string& name);
void writeTextFile(FileSystem& files, const std::string& name,
                   const std::vector<std::string>& lines);

}  // namespace velm
