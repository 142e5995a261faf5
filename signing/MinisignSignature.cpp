#include "signing/MinisignSignature.h"

#include <algorithm>
#include <optional>

#include "signing/Base64.h"
#include "signing/MinisignText.h"
#include "signing/SignedListError.h"

namespace velm {

namespace {

[[noreturn]] void refuse(const std::string& why) {
    throw SignedListError(SignedListFailure::BadSignatureFile,
                          std::string("A assinatura da lista de arquivos do servidor (") +
                              kSumsSignatureFile + ") est\xE1 danificada: " + why + ".");
}

}  // namespace

MinisignSignature readMinisignSignature(std::string_view file) {
    const std::vector<std::string> lines = significantLines(file);
    if (lines.size() != 4)
        refuse("esperadas 4 linhas, encontradas " + std::to_string(lines.size()));
    if (!lines[0].starts_with(kUntrustedCommentPrefix))
        refuse("a primeira linha n\xE3o \xE9 um coment\xE1rio");
    const std::optional<std::string> signature = decodeBase64(lines[1]);
    if (!signature) refuse("a assinatura n\xE3o est\xE1 em base64");
    if (signature->size() != 2 + 8 + 64)
        refuse("a assinatura tem " + std::to_string(signature->size()) + " bytes em vez de 74");
    MinisignSignature parts;
    const std::string algorithm = signature->substr(0, 2);
    if (algorithm == kPrehashedAlgorithm)
        parts.prehashed = true;
    else if (algorithm != kLegacyAlgorithm)
        refuse("algoritmo desconhecido");
    std::copy_n(signature->begin() + 2, 8, parts.keyId.begin());
    std::copy_n(signature->begin() + 10, 64, parts.signature.begin());
    if (!lines[2].starts_with(kTrustedCommentPrefix))
        refuse("falta o coment\xE1rio confi\xE1vel");
    parts.trustedComment = lines[2].substr(std::string_view(kTrustedCommentPrefix).size());
    const std::optional<std::string> global = decodeBase64(lines[3]);
    if (!global || global->size() != 64)
        refuse("a assinatura do coment\xE1rio confi\xE1vel n\xE3o tem 64 bytes em base64");
    std::copy_n(global->begin(), 64, parts.globalSignature.begin());
    return parts;
}

}  // namespace velm
