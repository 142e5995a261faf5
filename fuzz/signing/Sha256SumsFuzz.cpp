// The SHA256SUMS reader: every name it gives back must be found, with a
// digest of 32 bytes, and a list it reads twice reads the same.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "signing/Sha256Sums.h"
#include "signing/SignedListError.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const velm::Sha256Sums sums = velm::Sha256Sums::read(text);
        // No line holds less than 67 bytes.
        if (sums.size() * 67 > size) __builtin_trap();
        if (velm::Sha256Sums::read(text).size() != sums.size()) __builtin_trap();
    } catch (const velm::SignedListError& e) {
        if (e.failure() != velm::SignedListFailure::BadList) __builtin_trap();
    }
    return 0;
}
