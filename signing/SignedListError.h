#pragma once

#include <string>

#include "platform/Errors.h"

namespace velm {

// Why a signed file list was refused. The text (Portuguese, ANSI) is what
// the operator's information box says; the kind tells the checks apart.
enum class SignedListFailure {
    NotPublished,       // the server lists no SHA256SUMS or no SHA256SUMS.minisig
    TooLarge,           // a list file past its bound
    BadPublicKey,       // atualiza.pub cannot be read as a key
    BadSignatureFile,   // SHA256SUMS.minisig is not a signature file
    WrongKey,           // signed by another key than the folder's
    SignatureMismatch,  // the signature does not match SHA256SUMS
    CommentMismatch,    // the global signature does not match the trusted comment
    NoTimestamp,        // the trusted comment carries no timestamp
    Older,              // older than the list this folder accepted last
    BadList,            // SHA256SUMS holds a line sha256sum does not write, or a name twice
    BadAcceptedFile,    // the folder's record of the last accepted list is damaged
    Expired,            // past the expiry the maker signed into it (or an unreadable one)
    NotOnServer,        // a file of the list is missing from the server's listing
};

class SignedListError : public Error {
public:
    SignedListError(SignedListFailure failure, const std::string& text)
        : Error(text), failure_(failure) {}
    SignedListFailure failure() const { return failure_; }

private:
    SignedListFailure failure_;
};

// The word the run log uses for a failure ("signature-mismatch").
const char* failureWord(SignedListFailure failure);

}  // namespace velm
