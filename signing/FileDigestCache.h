#pragma once

#include <map>
#include <optional>
#include <string>

#include "platform/FileSystem.h"
#include "signing/Sha256Hasher.h"

namespace velm {

// The SHA-256 of the folder's files, remembered between runs in a file of
// the updater's own, so that a signed run need not read the whole
// installation to learn that nothing changed.
//
// What it trusts: that a file whose size, modification time, change time
// (all at the system's full resolution) and id are the ones remembered
// still holds the bytes that were hashed. An ordinary copy, edit, download
// or replacement changes at least one of them; a program with write access
// to the folder could forge all four, but such a program could change the
// updater itself, which no check here guards against. What it never
// trusts: an entry for another name or another identity (the file is then
// read and hashed again), a cache file that does not read whole (a power
// cut, a stray edit: it is then ignored and made anew), one of another
// format.
class FileDigestCache {
public:
    static constexpr const char* kFileName = "VelmUpdate.digests";

    // Reads the cache of `folder` ("" for the current one); a missing,
    // damaged or unreadable cache is an empty one. Never raises.
    explicit FileDigestCache(std::string folder = "");

    // The SHA-256 of the file `name` of the folder as it is now; nothing
    // when it is no file. From the cache when the file's identity is the
    // remembered one, otherwise read and hashed (and remembered, unless the
    // file changed while it was read). Raises FileError when it cannot be read.
    std::optional<Sha256Digest> digestOf(const std::string& name);

    // Remembers `digest` for the file as it is now: a file just put in
    // place from bytes hashed as they arrived. Nothing when it is no file.
    void remember(const std::string& name, const Sha256Digest& digest);

    // Writes the names asked about or remembered since the cache was read,
    // when anything changed; the others (files that left the list) are
    // dropped. Raises FileError.
    void save();

private:
    struct Entry {
        FileIdentity identity;
        Sha256Digest digest;
        bool used = false;
    };

    std::string path(const std::string& name) const;
    void read();

    FileSystem& files_;
    std::string folder_;
    std::map<std::string, Entry> entries_;
    bool changed_ = false;
};

}  // namespace velm
