#pragma once

#include <string>

#include "platform/DateTime.h"

namespace velm {

// The libraries' folder of the listing, which the run never fetches.
inline constexpr const char* kLibrariesFolder = "Arquivos_dlls";

// True when two local times differ in year, month, day, hour or minute;
// seconds and fractions never count (the "dd/mm/yyyy HH:mm" comparison).
bool differsToTheMinute(DateTime a, DateTime b);

// Whether the local file differs from the server's entry of the given time:
// "Arquivos_dlls" never does; a missing file (a folder is not a file) counts
// as modified today at 00:00. An existing file is compared with the time a
// file stamped with the server's time reads back, so a download stamped by
// the run is found equal next time, in the hour summer time skips too.
bool ArquivoDiferente(const std::string& name, DateTime remoteTime);

}  // namespace velm
