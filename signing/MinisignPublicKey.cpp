#include "signing/MinisignPublicKey.h"

#include <algorithm>
#include <string>

#include "signing/Base64.h"
#include "signing/MinisignText.h"
#include "signing/SignedListError.h"

namespace velm {

namespace {

SignedListError badKey(const std::string& why) {
    return SignedListError(SignedListFailure::BadPublicKey,
                           std::string("O arquivo ") + kPublicKeyFile +
                               " desta pasta n\xE3o \xE9 uma chave p\xFA" "blica v\xE1lida: " +
                               why + ".");
}

[[noreturn]] void refuse(const std::string& why) {
    throw badKey(why);
}

}  // namespace

SignedListError oversizedPublicKeyFile() {
    return badKey("passa de " + std::to_string(kMaxPublicKeyFileBytes) + " bytes");
}

MinisignPublicKey readMinisignPublicKey(std::string_view file) {
    // A key file is two short lines; never split a large file into lines.
    if (file.size() > kMaxPublicKeyFileBytes) throw oversizedPublicKeyFile();
    const std::vector<std::string> lines = significantLines(file);
    if (lines.size() != 2) refuse("esperadas 2 linhas, encontradas " + std::to_string(lines.size()));
    if (!lines[0].starts_with(kUntrustedCommentPrefix))
        refuse("a primeira linha n\xE3o \xE9 um coment\xE1rio");
    const std::optional<std::string> bytes = decodeBase64(lines[1]);
    if (!bytes) refuse("a chave n\xE3o est\xE1 em base64");
    if (bytes->size() != 2 + 8 + 32)
        refuse("a chave tem " + std::to_string(bytes->size()) + " bytes em vez de 42");
    if (bytes->compare(0, 2, kLegacyAlgorithm) != 0) refuse("algoritmo desconhecido");
    MinisignPublicKey key;
    std::copy_n(bytes->begin() + 2, 8, key.keyId.begin());
    std::copy_n(bytes->begin() + 10, 32, key.key.begin());
    return key;
}

std::string keyIdText(const MinisignKeyId& id) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (auto byte = id.rbegin(); byte != id.rend(); ++byte) {
        text += kHex[*byte >> 4];
        text += kHex[*byte & 15];
    }
    // The tool prints the number without leading zeros.
    const std::size_t first = text.find_first_not_of('0');
    return first == std::string::npos ? "0" : text.substr(first);
}

}  // namespace velm
