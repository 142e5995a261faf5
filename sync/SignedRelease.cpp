#include "sync/SignedRelease.h"

#include "platform/Errors.h"
#include "signing/SignedFileList.h"
#include "sync/SignedListLog.h"

namespace velm {

SignedRelease::SignedRelease(const SignedFileList& list, const std::string& folder)
    : list_(list), digests_(folder) {}

// An unreadable file counts as missing: it differs from every digest.
std::optional<Sha256Digest> SignedRelease::localDigest(const std::string& name) {
    try {
        return digests_.digestOf(name);
    } catch (const Error&) {
        return std::nullopt;
    }
}

bool SignedRelease::differs(const std::string& name) {
    const Sha256Digest* expected = list_.digestFor(name);
    if (!expected) return false;
    const std::optional<Sha256Digest> local = localDigest(name);
    if (local == *expected) return false;
    // Asked in the state pass and again in the download pass: logged once.
    if (logged_.insert(name).second) logLocalChecksum(name, "state", local, *expected);
    return true;
}

void SignedRelease::fetched(const std::string& name, const Sha256Digest& digest) {
    fetched_[name] = digest;
}

void SignedRelease::landed() {
    for (const auto& [name, digest] : fetched_) digests_.remember(name, digest);
    fetched_.clear();
}

void SignedRelease::requireFolderHoldsRelease() {
    const std::vector<std::string> names = list_.names();
    for (const std::string& name : names) {
        const Sha256Digest& expected = *list_.expectedDigest(name);
        const std::optional<Sha256Digest> local = localDigest(name);
        if (local == expected) continue;
        logLocalChecksum(name, "folder", local, expected);
        logFolderChecked(names.size(), name);
        throw Error("O arquivo " + name +
                    (local ? " desta pasta n\xE3o confere com a lista assinada de arquivos do "
                             "servidor (SHA-256 diferente)"
                           : " da lista assinada de arquivos do servidor n\xE3o est\xE1 nesta "
                             "pasta (ou n\xE3o p\xF4"
                             "de ser lido)") +
                    "; a atualiza\xE7\xE3o n\xE3o foi conclu\xED"
                    "da. Tente de novo.");
    }
    logFolderChecked(names.size());
}

void SignedRelease::requireArchiveVouched(const std::string& archive) {
    const Sha256Digest* expected = list_.expectedDigest(archive);
    if (!expected) return;
    const std::optional<Sha256Digest> local = localDigest(archive);
    logLocalChecksum(archive, "archive", local, *expected);
    if (local == *expected) return;
    throw Error("O arquivo " + archive +
                " desta pasta n\xE3o confere com a lista assinada de arquivos do servidor "
                "(SHA-256 diferente); o arquivador n\xE3o foi iniciado.");
}

void SignedRelease::saveDigests() {
    try {
        digests_.save();
    } catch (const Error& e) {
        logDigestCacheFailed(e.what());
    }
}

}  // namespace velm
