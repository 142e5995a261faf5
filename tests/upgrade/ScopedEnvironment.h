#pragma once

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace velm::test {

// Sets an environment variable for the lifetime of this object, then puts
// the previous value back (an unset variable comes back empty, which the
// program treats as unset). putenv exists on both systems; the strings handed
// to it must stay alive, so they are kept, reachable, for the rest of the
// process.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
        const char* previous = std::getenv(name);
        previous_ = previous ? previous : "";
        put(value);
    }
    ~ScopedEnvironment() { put(previous_); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    void put(const std::string& value) {
        static auto* kept = new std::vector<std::unique_ptr<char[]>>;  // never freed, on purpose
        const std::string assignment = name_ + "=" + value;
        kept->push_back(std::make_unique<char[]>(assignment.size() + 1));
        std::memcpy(kept->back().get(), assignment.c_str(), assignment.size() + 1);
        putenv(kept->back().get());
    }

    std::string name_;
    std::string previous_;
};

}  // namespace velm::test
