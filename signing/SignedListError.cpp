#include "signing/SignedListError.h"

namespace velm {

const char* failureWord(SignedListFailure failure) {
    switch (failure) {
    case SignedListFailure::NotPublished: return "not-published";
    case SignedListFailure::TooLarge: return "too-large";
    case SignedListFailure::BadPublicKey: return "bad-public-key";
    case SignedListFailure::BadSignatureFile: return "bad-signature-file";
    case SignedListFailure::WrongKey: return "wrong-key";
    case SignedListFailure::SignatureMismatch: return "signature-mismatch";
    case SignedListFailure::CommentMismatch: return "comment-mismatch";
    case SignedListFailure::NoTimestamp: return "no-timestamp";
    case SignedListFailure::Older: return "older";
    case SignedListFailure::BadList: return "bad-list";
    case SignedListFailure::BadAcceptedFile: return "bad-accepted-file";
    case SignedListFailure::Expired: return "expired";
    case SignedListFailure::NotOnServer: return "not-on-server";
    }
    return "unknown";
}

}  // namespace velm
