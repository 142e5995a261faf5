// The signature file reader and the timestamp in its trusted comment; a
// file that reads is also verified against a fixed key: every refusal is
// one of the signature's, never the key's.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "signing/MinisignSignature.h"
#include "signing/SignedFileList.h"
#include "signing/SignedListError.h"
#include "signing/TrustedTimestamp.h"

namespace {

// A key file of made-up bytes whose key id matches a signature that names
// 01..08, so that the fuzzer reaches the signature checks.
const std::string kKeyFile =
    "untrusted comment: k\nRWQBAgMEBQYHCBERERERERERERERERERERERERERERERERERERERERER\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const velm::MinisignSignature parts = velm::readMinisignSignature(text);
        if (const auto stamp = velm::trustedTimestamp(parts.trustedComment))
            (void)velm::timestampDisplayText(*stamp);
        (void)velm::SignedFileList::verify(kKeyFile, "", text, std::nullopt);
    } catch (const velm::SignedListError& e) {
        if (e.failure() == velm::SignedListFailure::BadPublicKey) __builtin_trap();
    }
    return 0;
}
