#pragma once

namespace velm {

// Where the external archiver lies below the Program Files folder: the show
// handler checks for it there, and the archive step starts it from there.
// File look-ups ignore letter case, so this spelling (the one the command
// line carries) also finds an installation written in other letter cases.
inline constexpr char kArchiverBelowProgramFiles[] = "\\winrar\\WinRAR.exe";

}  // namespace velm
