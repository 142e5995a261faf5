#pragma once

#include <string>

#include "platform/Registry.h"

namespace velm {

// The archiver's base folder: "ProgramFilesDir" of the 32-bit registry view
// when the archiver (kArchiverBelowProgramFiles) lies beneath it; otherwise
// the text before "(X86)" (trimmed) when the archiver lies beneath that;
// otherwise the registry's folder unchanged. Registry errors pass on to the caller.
std::string programFilesFolder();

// The registry value as text (integers in decimal), as the program reads it.
std::string registryText(const RegistryValue& value);

}  // namespace velm
