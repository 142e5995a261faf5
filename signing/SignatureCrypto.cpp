#include "signing/SignatureCrypto.h"

#include <gcrypt.h>

#include <mutex>

#include "platform/Errors.h"

namespace velm {

namespace {

// S-expressions are freed when the holder goes.
class Sexp {
public:
    Sexp() = default;
    ~Sexp() { gcry_sexp_release(value_); }
    Sexp(const Sexp&) = delete;
    Sexp& operator=(const Sexp&) = delete;
    gcry_sexp_t* out() { return &value_; }
    gcry_sexp_t get() const { return value_; }

private:
    gcry_sexp_t value_ = nullptr;
};

}  // namespace

void initialiseCryptoLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Only public keys and digests pass through here: no secure memory needed.
        if (!gcry_check_version(GCRYPT_VERSION))
            throw Error("A biblioteca de criptografia (libgcrypt) instalada \xE9 antiga demais.");
        gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
        gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    });
}

bool ed25519Verifies(const Ed25519PublicKey& key, std::string_view message,
                     const Ed25519Signature& signature) {
    initialiseCryptoLibrary();
    Sexp publicKey, data, sig;
    if (gcry_sexp_build(publicKey.out(), nullptr,
                        "(public-key (ecc (curve Ed25519) (flags eddsa) (q %b)))",
                        static_cast<int>(key.size()), key.data()) != 0)
        return false;
    if (gcry_sexp_build(data.out(), nullptr, "(data (flags eddsa) (hash-algo sha512) (value %b))",
                        static_cast<int>(message.size()), message.data()) != 0)
        return false;
    if (gcry_sexp_build(sig.out(), nullptr, "(sig-val (eddsa (r %b) (s %b)))", 32,
                        signature.data(), 32, signature.data() + 32) != 0)
        return false;
    return gcry_pk_verify(sig.get(), data.get(), publicKey.get()) == 0;
}

Blake2b512Digest blake2b512(std::string_view data) {
    initialiseCryptoLibrary();
    Blake2b512Digest digest{};
    gcry_md_hash_buffer(GCRY_MD_BLAKE2B_512, digest.data(), data.data(), data.size());
    return digest;
}

}  // namespace velm
