#include "platform/ReplacementFile.h"

#include <ostream>
#include <streambuf>
#include <utility>

#include "platform/Errors.h"
#include "platform/FileErrors.h"
#include "platform/FileNames.h"
#include "platform/FileSystem.h"

namespace velm {

// An unbuffered stream into the file: each write goes straight to the
// temporary file, and its error comes out of the stream as it was raised.
class ReplacementFile::Stream : private std::streambuf, public std::ostream {
public:
    explicit Stream(ReplacementFile& file) : std::ostream(this), file_(file) {
        exceptions(std::ios::badbit);
    }

private:
    using Traits = std::streambuf::traits_type;

    std::streambuf::int_type overflow(std::streambuf::int_type c) override {
        if (Traits::eq_int_type(c, Traits::eof())) return Traits::not_eof(c);
        const char byte = Traits::to_char_type(c);
        file_.write(&byte, 1);
        return c;
    }
    std::streamsize xsputn(const char* data, std::streamsize size) override {
        file_.write(data, static_cast<std::size_t>(size));
        return size;
    }

    ReplacementFile& file_;
};

ReplacementFile::ReplacementFile(std::string destination)
    : files_(fileSystem()), destination_(std::move(destination)) {
    try {
        FileSystem::TemporaryFile made =
            files_.openTemporaryFile(extractFileDir(destination_), kTemporaryPrefix);
        temporary_ = std::move(made.name);
        out_ = std::move(made.file);
    } catch (const FileError& e) {
        throw naming(e);
    }
}

ReplacementFile::~ReplacementFile() {
    if (handedOver_) return;
    out_.reset();  // closed first: an open file cannot be deleted on every system
    files_.deleteFile(temporary_);
}

void ReplacementFile::write(const char* data, std::size_t size) {
    try {
        out_->write(data, size);
    } catch (const FileError& e) {
        throw naming(e);
    }
    size_ += static_cast<std::int64_t>(size);
}

std::ostream& ReplacementFile::stream() {
    if (!stream_) stream_ = std::make_unique<Stream>(*this);
    return *stream_;
}

void ReplacementFile::replaceDestination() {
    try {
        out_->close();
        out_.reset();
        files_.replaceFile(temporary_, destination_);
    } catch (const FileError& e) {
        throw naming(e);
    }
    handedOver_ = true;
}

void ReplacementFile::replaceDestinationDurably() {
    try {
        out_->close();
        out_.reset();
        files_.flushFiles({temporary_});
        files_.replaceFile(temporary_, destination_);
        handedOver_ = true;
        files_.flushFolder(extractFileDir(destination_));
    } catch (const FileError& e) {
        throw naming(e);
    }
}

std::string ReplacementFile::stage() {
    try {
        out_->close();
        out_.reset();
    } catch (const FileError& e) {
        throw naming(e);
    }
    handedOver_ = true;
    return temporary_;
}

FileError ReplacementFile::naming(const FileError& e) const {
    // Without the system's code there is no text to rebuild: keep the error.
    if (e.code() == 0) return e;
    return fileError("Cannot write file", destination_, e.code());
}

}  // namespace velm
