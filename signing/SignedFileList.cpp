#include "signing/SignedFileList.h"

#include <string>

#include "platform/Clock.h"
#include "platform/DateTime.h"
#include "platform/FileSystem.h"
#include "platform/LocalTime.h"
#include "signing/MinisignSignature.h"
#include "signing/MinisignText.h"
#include "signing/SignedListError.h"
#include "signing/SmallFile.h"
#include "signing/TrustedTimestamp.h"

namespace velm {

namespace {

void requireWithin(std::string_view bytes, std::size_t bound, const char* name) {
    if (bytes.size() > bound)
        throw SignedListError(SignedListFailure::TooLarge,
                              std::string("O arquivo ") + name +
                                  " do servidor passa do limite de " + std::to_string(bound) +
                                  " bytes.");
}

// Signatures and digests as the bytes they are.
template <std::size_t N>
std::string_view asText(const std::array<std::uint8_t, N>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), N};
}

// The computer's clock, as seconds since 1970 UTC.
std::uint64_t secondsNow() {
    const std::int64_t seconds = utcOf(decodeDateTime(clock().now()));
    return seconds < 0 ? 0 : static_cast<std::uint64_t>(seconds);
}

// A list the maker gave an expiry to is refused past it, so that a server
// cannot keep a shop on an old release (with its known faults) for ever by
// offering the last list it saw.
void requireUnexpired(const TrustedExpiry& expiry, std::uint64_t now) {
    if (!expiry.present) return;
    if (!expiry.seconds)
        throw SignedListError(SignedListFailure::Expired,
                              "A lista assinada do servidor traz uma data de validade (expires) "
                              "ileg\xEDvel. O fabricante precisa publicar a lista de novo.");
    if (now > *expiry.seconds)
        throw SignedListError(SignedListFailure::Expired,
                              "A lista assinada do servidor expirou em " +
                                  timestampDisplayText(*expiry.seconds) +
                                  "; a data deste computador \xE9 " + timestampDisplayText(now) +
                                  ". O fabricante precisa publicar a lista de novo.");
}

}  // namespace

SignedFileList SignedFileList::verify(std::string_view publicKeyFile, std::string_view sums,
                                      std::string_view signature,
                                      std::optional<std::uint64_t> lastAccepted,
                                      std::optional<std::uint64_t> now) {
    requireWithin(sums, kMaxSumsBytes, kSumsFile);
    requireWithin(signature, kMaxSignatureBytes, kSumsSignatureFile);
    const MinisignPublicKey key = readMinisignPublicKey(publicKeyFile);
    const MinisignSignature parts = readMinisignSignature(signature);

    if (parts.keyId != key.keyId)
        throw SignedListError(SignedListFailure::WrongKey,
                              "A lista de arquivos do servidor foi assinada com outra chave (" +
                                  keyIdText(parts.keyId) + "), n\xE3o com a chave desta pasta (" +
                                  keyIdText(key.keyId) + ").");

    const bool signatureMatches =
        parts.prehashed ? ed25519Verifies(key.key, asText(blake2b512(sums)), parts.signature)
                        : ed25519Verifies(key.key, sums, parts.signature);
    if (!signatureMatches)
        throw SignedListError(SignedListFailure::SignatureMismatch,
                              std::string("A assinatura n\xE3o confere com a lista de arquivos do "
                                          "servidor (") +
                                  kSumsFile + "): a lista n\xE3o \xE9 a que o fabricante assinou.");

    const std::string signedComment = std::string(asText(parts.signature)) + parts.trustedComment;
    if (!ed25519Verifies(key.key, signedComment, parts.globalSignature))
        throw SignedListError(SignedListFailure::CommentMismatch,
                              "A assinatura do coment\xE1rio confi\xE1vel da lista de arquivos do "
                              "servidor n\xE3o confere: a data da lista n\xE3o \xE9 a que o "
                              "fabricante assinou.");

    const std::optional<std::uint64_t> timestamp = trustedTimestamp(parts.trustedComment);
    if (!timestamp)
        throw SignedListError(SignedListFailure::NoTimestamp,
                              "A lista de arquivos do servidor n\xE3o traz a data da assinatura "
                              "(timestamp) no coment\xE1rio confi\xE1vel.");
    if (lastAccepted && *timestamp < *lastAccepted)
        throw SignedListError(SignedListFailure::Older,
                              "A lista de arquivos do servidor \xE9 mais antiga que a j\xE1 "
                              "instalada nesta pasta (assinada em " +
                                  timestampDisplayText(*timestamp) + "; a instalada, em " +
                                  timestampDisplayText(*lastAccepted) + ").");
    requireUnexpired(trustedExpiry(parts.trustedComment), now ? *now : secondsNow());

    return SignedFileList(Sha256Sums::read(sums), key.keyId, *timestamp, parts.prehashed,
                          sha256(sums), sha256(signature));
}

const Sha256Digest* SignedFileList::expectedDigest(const std::string& name) const {
    return sums_.find(name);
}

bool SignedFileList::exempt(const std::string& name) {
    // The listing's libraries folder is a folder the run never fetches, not
    // a file of the release.
    constexpr const char* kLibrariesFolder = "Arquivos_dlls";
    return name == kSumsFile || name == kSumsSignatureFile || name == kLibrariesFolder;
}

void SignedFileList::checkNamed(const std::string& name) const {
    if (!exempt(name) && !expectedDigest(name))
        throw Error("O arquivo " + name + " n\xE3o consta da lista assinada de arquivos do "
                    "servidor (" + kSumsFile + ").");
}

void SignedFileList::requireOffered(const std::function<bool(const std::string&)>& offered) const {
    for (const std::string& name : names())
        if (!offered(name))
            throw SignedListError(SignedListFailure::NotOnServer,
                                  "O arquivo " + name +
                                      " da lista assinada n\xE3o est\xE1 no servidor; nenhum "
                                      "arquivo foi atualizado.");
}

const Sha256Digest* SignedFileList::digestFor(const std::string& name) const {
    if (name == kSumsFile) return &sumsDigest_;
    if (name == kSumsSignatureFile) return &signatureDigest_;
    return expectedDigest(name);
}

void SignedFileList::checkDownloaded(const std::string& name, const Sha256Digest& digest) const {
    const Sha256Digest* expected = digestFor(name);
    if (!expected)
        throw Error("O arquivo " + name + " n\xE3o consta da lista assinada de arquivos do "
                    "servidor (" + kSumsFile + ").");
    if (*expected != digest)
        throw Error("O arquivo " + name + " recebido n\xE3o confere com a lista assinada de "
                    "arquivos do servidor (SHA-256 diferente) e n\xE3o foi instalado.");
}

std::optional<std::string> readPublicKeyFile() {
    if (!fileSystem().fileExists(kPublicKeyFile)) return std::nullopt;
    std::optional<std::string> bytes = readSmallFile(kPublicKeyFile, kMaxPublicKeyFileBytes);
    if (!bytes) throw oversizedPublicKeyFile();
    return bytes;
}

void requireListFiles(bool sumsListed, bool signatureListed) {
    if (sumsListed && signatureListed) return;
    std::string missing = sumsListed ? kSumsSignatureFile : kSumsFile;
    if (!sumsListed && !signatureListed) missing += std::string(" e ") + kSumsSignatureFile;
    throw SignedListError(SignedListFailure::NotPublished,
                          "O servidor n\xE3o publicou a lista assinada de arquivos: falta " +
                              missing + ".");
}

}  // namespace velm
