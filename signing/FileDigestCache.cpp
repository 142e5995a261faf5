#include "signing/FileDigestCache.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/DecimalText.h"
#include "platform/Errors.h"
#include "platform/ReplacementFile.h"
#include "signing/SmallFile.h"

namespace velm {

namespace {

constexpr std::string_view kHeader = "VelmUpdate digests 1";
// About 130 bytes a file: room for a hundred thousand files.
constexpr std::size_t kMaxCacheBytes = 16 * 1024 * 1024;
constexpr std::size_t kReadChunk = 64 * 1024;

// The next blank-separated field of `line`, taken off its front.
std::string_view takeField(std::string_view& line) {
    const std::size_t blank = line.find(' ');
    const std::string_view field = line.substr(0, blank);
    line.remove_prefix(blank == std::string_view::npos ? line.size() : blank + 1);
    return field;
}

template <typename Number>
std::optional<Number> readNumber(std::string_view text) {
    if (!text.empty() && text.front() == '-') {
        const std::optional<std::uint64_t> magnitude = readDigits<std::uint64_t>(text.substr(1));
        if (!magnitude || *magnitude > static_cast<std::uint64_t>(INT64_MAX)) return std::nullopt;
        return static_cast<Number>(-static_cast<std::int64_t>(*magnitude));
    }
    const std::optional<std::uint64_t> value = readDigits<std::uint64_t>(text);
    if (!value) return std::nullopt;
    return static_cast<Number>(*value);
}

// The lines between the header and the closing "end COUNT CHECKSUM" line,
// the checksum being the SHA-256 of everything before that line; nothing
// when the text is not such a file.
std::optional<std::vector<std::string_view>> wholeLines(std::string_view text) {
    if (!text.ends_with("\r\n")) return std::nullopt;
    const std::size_t lastStart = text.rfind("\r\n", text.size() - 3);
    if (lastStart == std::string_view::npos) return std::nullopt;
    const std::string_view body = text.substr(0, lastStart + 2);
    std::string_view closing = text.substr(lastStart + 2, text.size() - lastStart - 4);
    if (takeField(closing) != "end") return std::nullopt;
    const std::optional<std::size_t> count = readDigits<std::size_t>(takeField(closing));
    const std::optional<Sha256Digest> checksum = readHexDigest(closing);
    if (!count || !checksum || *checksum != sha256(body)) return std::nullopt;

    std::vector<std::string_view> lines;
    std::string_view rest = body;
    while (!rest.empty()) {
        const std::size_t end = rest.find("\r\n");
        lines.push_back(rest.substr(0, end));
        rest.remove_prefix(end + 2);
    }
    if (lines.empty() || lines.front() != kHeader || lines.size() - 1 != *count)
        return std::nullopt;
    lines.erase(lines.begin());
    return lines;
}

}  // namespace

FileDigestCache::FileDigestCache(std::string folder)
    : files_(fileSystem()), folder_(std::move(folder)) {
    read();
}

std::string FileDigestCache::path(const std::string& name) const {
    return folder_.empty() ? name : folder_ + "\\" + name;
}

void FileDigestCache::read() {
    std::optional<std::string> text;
    try {
        if (!files_.fileExists(path(kFileName))) return;
        text = readSmallFile(path(kFileName), kMaxCacheBytes);
    } catch (const Error&) {
        return;  // unreadable: made anew by the next save
    }
    if (!text) return;
    const std::optional<std::vector<std::string_view>> lines = wholeLines(*text);
    if (!lines) return;
    std::map<std::string, Entry> entries;
    for (std::string_view line : *lines) {
        const std::optional<Sha256Digest> digest = readHexDigest(takeField(line));
        const std::optional<long long> size = readNumber<long long>(takeField(line));
        const std::optional<std::int64_t> modified = readNumber<std::int64_t>(takeField(line));
        const std::optional<std::int64_t> changed = readNumber<std::int64_t>(takeField(line));
        const std::optional<std::uint64_t> id = readDigits<std::uint64_t>(takeField(line));
        if (!digest || !size || !modified || !changed || !id || line.empty()) return;
        entries[std::string(line)] = {FileIdentity{*size, *modified, *changed, *id}, *digest};
    }
    entries_ = std::move(entries);
}

std::optional<Sha256Digest> FileDigestCache::digestOf(const std::string& name) {
    const std::optional<FileIdentity> before = files_.fileIdentity(path(name));
    if (!before) return std::nullopt;
    if (const auto found = entries_.find(name);
        found != entries_.end() && found->second.identity == *before) {
        found->second.used = true;
        return found->second.digest;
    }
    Sha256Hasher hasher;
    {
        const std::unique_ptr<InputFile> in = files_.openForReading(path(name));
        std::string chunk(kReadChunk, '\0');
        while (const std::size_t n = in->read(chunk.data(), chunk.size()))
            hasher.update(chunk.data(), n);
    }
    const Sha256Digest digest = hasher.finish();
    // A file written while it was read is hashed again next time.
    if (files_.fileIdentity(path(name)) == before)
        remember(name, digest);
    else
        entries_.erase(name);
    changed_ = true;
    return digest;
}

void FileDigestCache::remember(const std::string& name, const Sha256Digest& digest) {
    const std::optional<FileIdentity> identity = files_.fileIdentity(path(name));
    // A name with a line end could not be read back; such a name is never a file here.
    if (!identity || name.find_first_of("\r\n") != std::string::npos) {
        changed_ = entries_.erase(name) > 0 || changed_;
        return;
    }
    entries_[name] = {*identity, digest, true};
    changed_ = true;
}

void FileDigestCache::save() {
    bool dropped = false;
    for (const auto& [name, entry] : entries_) dropped = dropped || !entry.used;
    if (!changed_ && !dropped) return;
    std::string text(kHeader);
    text += "\r\n";
    std::size_t count = 0;
    for (const auto& [name, entry] : entries_) {
        if (!entry.used) continue;
        const FileIdentity& id = entry.identity;
        text += hexDigest(entry.digest) + ' ' + std::to_string(id.size) + ' ' +
                std::to_string(id.modified) + ' ' + std::to_string(id.changed) + ' ' +
                std::to_string(id.id) + ' ' + name + "\r\n";
        ++count;
    }
    text += "end " + std::to_string(count) + ' ' + hexDigest(sha256(text)) + "\r\n";
    // On disk before it replaces the old one: a cache cut by a power cut
    // would only be made anew, but a whole one spares the next run a read
    // of every listed file.
    ReplacementFile file(path(kFileName));
    file.write(text.data(), text.size());
    file.replaceDestinationDurably();
    changed_ = false;
}

}  // namespace velm
