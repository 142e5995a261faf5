#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>

namespace velm {

class FileError;
class FileSystem;
class OutputFile;

// New contents for a file, written to a temporary file beside it, that take
// the file's place in one rename only once they are whole: until then, and
// when they never are, the file stays exactly as it was. The temporary file
// goes with the object unless it replaced the file. An error on the way
// names the file being replaced, the one the operator knows, never the
// temporary one.
class ReplacementFile {
public:
    // How the temporary files' names begin, and how those of earlier versions
    // (one temporary file in the download, another in the run) began.
    static constexpr const char* kTemporaryPrefix = "~vu";
    static constexpr const char* kOlderTemporaryPrefix = "~ftp";
    // How the names of the old files a commit keeps until it is done begin
    // (see StagedFiles): the temporary file's name with this prefix.
    static constexpr const char* kBackupPrefix = "~vb";

    // Creates the temporary file in the destination's folder.
    explicit ReplacementFile(std::string destination);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    void write(const char* data, std::size_t size);
    // The same as a stream; a failed write raises its FileError.
    std::ostream& stream();
    // Bytes written so far.
    std::int64_t size() const { return size_; }
    // Closes the temporary file and renames it over the destination.
    void replaceDestination();
    // The same, on disk when it returns: the new contents flushed before
    // the rename and the folder after it, so that a power cut leaves the
    // old contents or the new, never a file cut short or empty. For the
    // small records the program keeps (each flush waits for the disk).
    void replaceDestinationDurably();
    // Closes the temporary file and hands it over to the caller, who puts it
    // in place later (or removes it): the object no longer removes it.
    // Returns its name (with the folder part the destination had).
    std::string stage();
    const std::string& destination() const { return destination_; }

private:
    class Stream;
    // The error to raise for `e`, met on the temporary file.
    FileError naming(const FileError& e) const;

    FileSystem& files_;
    std::string destination_;
    std::string temporary_;
    std::unique_ptr<OutputFile> out_;
    std::unique_ptr<Stream> stream_;
    std::int64_t size_ = 0;
    bool handedOver_ = false;
};

}  // namespace velm
