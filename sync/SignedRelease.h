#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

#include "signing/FileDigestCache.h"
#include "signing/Sha256Hasher.h"

namespace velm {

class SignedFileList;

// With an accepted signed list, the list (not the listing's times) decides
// what the folder must hold: every name it gives, with its digest. This
// keeps the run's questions about the folder's digests in one place: which
// files differ from the release, that the folder holds the release once
// the commit is done, that the archive about to be extracted is the
// release's. Local digests come from the folder's digest cache.
class SignedRelease {
public:
    explicit SignedRelease(const SignedFileList& list, const std::string& folder = "");

    // True when the file's digest in the folder is not the one the list
    // gives the name (a missing or unreadable file differs); false for a
    // name the list gives no digest. A difference goes to the run log.
    bool differs(const std::string& name);

    // A download of the name, checked against the list and staged, with the
    // digest its bytes had as they arrived.
    void fetched(const std::string& name, const Sha256Digest& digest);
    // The commit put the staged downloads in place: their digests are
    // remembered for the files as they now are.
    void landed();
    // Raises Error, with the operator's text, for the first name of the
    // list whose file in the folder has not the listed digest (or cannot be
    // read). Logs the result.
    void requireFolderHoldsRelease();
    // Raises Error, with the operator's text, when the list names the
    // archive and the folder's copy has another digest. Logs the result.
    void requireArchiveVouched(const std::string& archive);
    // Keeps the digests learned for the next run; a cache that cannot be
    // written costs only time then, so it is logged and not raised.
    void saveDigests();

private:
    std::optional<Sha256Digest> localDigest(const std::string& name);

    const SignedFileList& list_;
    FileDigestCache digests_;
    std::map<std::string, Sha256Digest> fetched_;
    std::set<std::string> logged_;
};

}  // namespace velm
