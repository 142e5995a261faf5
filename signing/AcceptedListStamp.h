#pragma once

#include <cstdint>
#include <optional>

namespace velm {

// The signing time of the last file list this folder accepted, kept in a
// small file of the working folder so that an older signed list served
// again is refused. The run writes it only once its commit has succeeded.
inline constexpr const char* kAcceptedStampFile = "atualiza.carimbo";

// Nothing when the file is absent (the first signed run). Raises
// SignedListError (BadAcceptedFile) for a file that holds anything but one
// line of digits, or a folder of that name: a damaged record must not
// silently re-open the door to older lists.
std::optional<std::uint64_t> readAcceptedTimestamp();

// Replaces the file in one rename (through a temporary file beside it),
// on disk when it returns: a power cut leaves the old time or the new one,
// never a damaged record. Raises FileError naming the file.
void writeAcceptedTimestamp(std::uint64_t timestamp);

}  // namespace velm
