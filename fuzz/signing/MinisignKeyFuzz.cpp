// The public key file reader and the base64 decoder under it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "signing/Base64.h"
#include "signing/MinisignPublicKey.h"
#include "signing/SignedListError.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const velm::MinisignPublicKey key = velm::readMinisignPublicKey(text);
        // The id prints as the key tool prints it: upper-case hexadecimal
        // without leading zeros, which reads back as the id's 8 bytes.
        const std::string id = velm::keyIdText(key.keyId);
        if (id.empty() || id.size() > 16 || (id.size() > 1 && id[0] == '0')) __builtin_trap();
        std::uint64_t value = 0;
        for (const char c : id) {
            if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) __builtin_trap();
            value = value * 16 + static_cast<std::uint64_t>(c <= '9' ? c - '0' : c - 'A' + 10);
        }
        for (std::size_t i = 0; i < key.keyId.size(); ++i)
            if (key.keyId[i] != static_cast<std::uint8_t>(value >> (8 * i))) __builtin_trap();
    } catch (const velm::SignedListError& e) {
        if (e.failure() != velm::SignedListFailure::BadPublicKey) __builtin_trap();
    }
    // Whatever decodes is at most three bytes for every four characters.
    if (const auto bytes = velm::decodeBase64(text); bytes && bytes->size() * 4 > size * 3)
        __builtin_trap();
    return 0;
}
