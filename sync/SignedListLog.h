#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "signing/Sha256Hasher.h"

namespace velm {

class SignedFileList;
class SignedListError;

// The signed list's lines in the run log (platform/RunLog.h), in the style
// of the update run's own. None of them raises. A folder without the public
// key file writes none of them.

// "signed-list result=ok": key id, algorithm, signing time, the last
// accepted one ("none" on the first signed run), files named, and the
// checks passed.
void logSignedListAccepted(const SignedFileList& list, std::optional<std::uint64_t> lastAccepted);
// "signed-list result=failed": the check that failed and the operator's text.
void logSignedListRefused(const SignedListError& error);
// "checksum": a listed entry the list does not name ("not-listed"), or a
// download's digest against the list's ("ok" or "mismatch").
void logEntryNotListed(const std::string& name);
void logDownloadChecksum(const std::string& name, const Sha256Digest& digest,
                         const Sha256Digest* expected);
// "checksum stage=...": a file of the folder against the list, when the
// state pass finds it differs ("state"), when the folder is checked after
// the commit ("folder") and before the archive is extracted ("archive");
// sha256=missing for a file that is not there or cannot be read.
void logLocalChecksum(const std::string& name, const char* stage,
                      const std::optional<Sha256Digest>& local, const Sha256Digest& expected);
// "signed-list folder=checked": every file of the list has its digest in
// the folder, or the first that has not.
void logFolderChecked(std::size_t files, const std::string& mismatch = "");
// "signed-list digests=failed": the digest cache could not be written.
void logDigestCacheFailed(const std::string& error);
// "signed-list stamp=N": the accepted time recorded after the commit, or
// the error that kept it from being written.
void logAcceptedStampSaved(std::uint64_t timestamp, const std::string& error = "");

}  // namespace velm
