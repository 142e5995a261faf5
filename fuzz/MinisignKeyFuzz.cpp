// The public key file reader and the base64 decoder under it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "sync/Base64.h"
#include "sync/MinisignPublicKey.h"
#include "sync/SignedListError.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const velm::MinisignPublicKey key = velm::readMinisignPublicKey(text);
        if (velm::keyIdText(key.keyId).size() != 16) __builtin_trap();
    } catch (const velm::SignedListError& e) {
        if (e.failure() != velm::SignedListFailure::BadPublicKey) __builtin_trap();
    }
    // Whatever decodes is at most three bytes for every four characters.
    if (const auto bytes = velm::decodeBase64(text); bytes && bytes->size() * 4 > size * 3)
        __builtin_trap();
    return 0;
}
