#include "sync/SignedListLog.h"

#include "platform/RunLog.h"
#include "signing/AcceptedListStamp.h"
#include "signing/FileDigestCache.h"
#include "signing/SignedFileList.h"
#include "signing/SignedListError.h"
#include "signing/TrustedTimestamp.h"

namespace velm {

namespace {

std::int64_t asField(std::uint64_t value) {
    return static_cast<std::int64_t>(value);
}

}  // namespace

void logSignedListAccepted(const SignedFileList& list, std::optional<std::uint64_t> lastAccepted) {
    logBuiltEvent([&] {
        return "signed-list result=ok" + logField("key-id", keyIdText(list.keyId())) +
               logField("algorithm", list.prehashed() ? "ED" : "Ed") +
               logField("timestamp", asField(list.timestamp())) +
               logField("signed", timestampLogText(list.timestamp())) +
               (lastAccepted ? logField("last-accepted", asField(*lastAccepted))
                             : logField("last-accepted", "none")) +
               logField("files", static_cast<std::int64_t>(list.fileCount())) +
               " key-id-check=ok signature=ok comment-signature=ok rollback=ok";
    });
}

void logSignedListRefused(const SignedListError& error) {
    logBuiltEvent([&] {
        return "signed-list result=failed" + logField("check", failureWord(error.failure())) +
               logField("error", error.what());
    });
}

void logEntryNotListed(const std::string& name) {
    logBuiltEvent([&] { return "checksum" + logField("name", name) + " result=not-listed"; });
}

void logDownloadChecksum(const std::string& name, const Sha256Digest& digest,
                         const Sha256Digest* expected) {
    logBuiltEvent([&] {
        std::string text = "checksum" + logField("name", name) +
                           logField("sha256", hexDigest(digest));
        if (!expected) return text + " result=not-listed";
        if (*expected == digest) return text + " result=ok";
        return text + logField("expected", hexDigest(*expected)) + " result=mismatch";
    });
}

void logLocalChecksum(const std::string& name, const char* stage,
                      const std::optional<Sha256Digest>& local, const Sha256Digest& expected) {
    logBuiltEvent([&] {
        std::string text = "checksum" + logField("name", name) + logField("stage", stage) +
                           logField("sha256", local ? hexDigest(*local) : "missing");
        if (local == expected) return text + " result=ok";
        return text + logField("expected", hexDigest(expected)) + " result=mismatch";
    });
}

void logFolderChecked(std::size_t files, const std::string& mismatch) {
    logBuiltEvent([&] {
        std::string text =
            "signed-list folder=checked" + logField("files", static_cast<std::int64_t>(files));
        return mismatch.empty() ? text + " result=ok"
                                : text + logField("name", mismatch) + " result=mismatch";
    });
}

void logDigestCacheFailed(const std::string& error) {
    logBuiltEvent([&] {
        return "signed-list digests=failed" + logField("file", FileDigestCache::kFileName) +
               logField("error", error);
    });
}

void logAcceptedStampSaved(std::uint64_t timestamp, const std::string& error) {
    logBuiltEvent([&] {
        std::string text = "signed-list" + logField("stamp", asField(timestamp)) +
                           logField("file", kAcceptedStampFile);
        return error.empty() ? text + " result=saved" : text + " result=failed" + logField("error", error);
    });
}

}  // namespace velm
