#include "signing/Sha256Sums.h"

#include <algorithm>
#include <optional>

#include "signing/SignedListError.h"

namespace velm {

namespace {

constexpr std::size_t kDigestDigits = 64;

std::optional<std::string> unescapeName(std::string_view name) {
    std::string plain;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] != '\\') {
            plain += name[i];
            continue;
        }
        if (++i == name.size()) return std::nullopt;
        switch (name[i]) {
        case '\\': plain += '\\'; break;
        case 'n': plain += '\n'; break;
        case 'r': plain += '\r'; break;
        default: return std::nullopt;
        }
    }
    return plain;
}

[[noreturn]] void refuseLine(std::size_t number) {
    throw SignedListError(SignedListFailure::BadList,
                          std::string("A lista de arquivos do servidor (") + kSumsFile +
                              ") tem uma linha fora do formato do sha256sum (linha " +
                              std::to_string(number) + ").");
}

}  // namespace

Sha256Sums Sha256Sums::read(std::string_view text) {
    Sha256Sums sums;
    std::size_t number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);

        const bool escaped = line.starts_with('\\');
        if (escaped) line.remove_prefix(1);
        if (line.size() < kDigestDigits + 3 || line[kDigestDigits] != ' ' ||
            (line[kDigestDigits + 1] != ' ' && line[kDigestDigits + 1] != '*'))
            refuseLine(number);
        const std::optional<Sha256Digest> digest = readHexDigest(line.substr(0, kDigestDigits));
        std::optional<std::string> name(line.substr(kDigestDigits + 2));
        if (escaped) name = unescapeName(*name);
        if (!digest || !name || name->empty()) refuseLine(number);
        if (!sums.digests_.emplace(*name, *digest).second)
            throw SignedListError(SignedListFailure::BadList,
                                  std::string("A lista de arquivos do servidor (") + kSumsFile +
                                      ") nomeia duas vezes o arquivo " + *name + " (linha " +
                                      std::to_string(number) + ").");
    }
    return sums;
}

std::vector<std::string> Sha256Sums::names() const {
    std::vector<std::string> names;
    names.reserve(digests_.size());
    for (const auto& [name, digest] : digests_) names.push_back(name);
    std::sort(names.begin(), names.end());
    return names;
}

const Sha256Digest* Sha256Sums::find(const std::string& name) const {
    const auto found = digests_.find(name);
    return found == digests_.end() ? nullptr : &found->second;
}

}  // namespace velm
