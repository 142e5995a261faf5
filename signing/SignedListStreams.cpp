#include "signing/SignedListStreams.h"

#include <streambuf>

#include "signing/SignedListError.h"

namespace velm {

namespace {

using Traits = std::streambuf::traits_type;

// An unbuffered stream buffer: a single character goes the way of a run of
// them, through xsputn.
class UnbufferedBuffer : public std::streambuf {
protected:
    int_type overflow(int_type c) override {
        if (Traits::eq_int_type(c, Traits::eof())) return Traits::not_eof(c);
        const char byte = Traits::to_char_type(c);
        xsputn(&byte, 1);
        return c;
    }
};

}  // namespace

// Unbuffered: each write lands (or fails) as it is made.
class BoundedTextStream::Buffer : public UnbufferedBuffer {
public:
    Buffer(const char* fileName, std::size_t bound) : fileName_(fileName), bound_(bound) {}
    const std::string& text() const { return text_; }

private:
    std::streamsize xsputn(const char* data, std::streamsize size) override {
        if (static_cast<std::size_t>(size) > bound_ - text_.size())
            throw SignedListError(SignedListFailure::TooLarge,
                                  "O arquivo " + fileName_ + " do servidor passa do limite de " +
                                      std::to_string(bound_) + " bytes.");
        text_.append(data, static_cast<std::size_t>(size));
        return size;
    }

    std::string fileName_;
    std::size_t bound_;
    std::string text_;
};

BoundedTextStream::BoundedTextStream(const char* fileName, std::size_t bound)
    : std::ostream(nullptr), buffer_(std::make_unique<Buffer>(fileName, bound)) {
    rdbuf(buffer_.get());
    exceptions(std::ios::badbit);
}

BoundedTextStream::~BoundedTextStream() = default;

const std::string& BoundedTextStream::text() const {
    return buffer_->text();
}

class HashingStream::Buffer : public UnbufferedBuffer {
public:
    explicit Buffer(std::ostream& target) : target_(target) {}
    Sha256Digest finish() { return hasher_.finish(); }

private:
    std::streamsize xsputn(const char* data, std::streamsize size) override {
        target_.write(data, size);
        if (!target_) return 0;
        hasher_.update(data, static_cast<std::size_t>(size));
        return size;
    }
    int sync() override { return target_.flush() ? 0 : -1; }

    std::ostream& target_;
    Sha256Hasher hasher_;
};

HashingStream::HashingStream(std::ostream& target)
    : std::ostream(nullptr), buffer_(std::make_unique<Buffer>(target)) {
    rdbuf(buffer_.get());
    exceptions(std::ios::badbit);
}

HashingStream::~HashingStream() = default;

Sha256Digest HashingStream::finish() {
    return buffer_->finish();
}

}  // namespace velm
