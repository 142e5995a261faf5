#pragma once

#include <ibase.h>

#include <string>

namespace velm {

// One status vector for one client-library call. check() turns a failure
// into an FbError; a warning alone is not a failure.
class FbStatus {
public:
    ISC_STATUS* get() { return vector_; }
    bool failed() const { return vector_[0] == 1 && vector_[1] != 0; }
    void check() const;
    [[noreturn]] void raise() const;

private:
    ISC_STATUS_ARRAY vector_{};
};

// The message of a status vector: its interpreted lines joined with CR LF,
// without a final period.
std::string interpretStatus(const ISC_STATUS* status);

}  // namespace velm
