#pragma once

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velm::test {

// An environment variable changed for the lifetime of this object, then put
// back exactly as it was: a variable that was unset is unset again. Made with
// a name alone it only remembers; set() and unset() change it meanwhile.
class ScopedEnvironment {
public:
    explicit ScopedEnvironment(const char* name) : name_(name) {
        if (const char* previous = std::getenv(name)) previous_ = previous;
    }
    ScopedEnvironment(const char* name, const std::string& value) : ScopedEnvironment(name) {
        set(value);
    }
    ~ScopedEnvironment() {
        if (previous_)
            set(*previous_);
        else
            unset();
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    // On Windows both the C runtime's copy and the process environment
    // change, and an empty value removes the variable, as it always does there.
    void set(const std::string& value) {
#ifdef _WIN32
        put(name_ + "=" + value);
#else
        setenv(name_.c_str(), value.c_str(), 1);
#endif
    }
    void unset() {
#ifdef _WIN32
        put(name_ + "=");
#else
        unsetenv(name_.c_str());
#endif
    }

private:
#ifdef _WIN32
    // The runtime may keep the string it is given, so each one stays alive.
    static void put(const std::string& assignment) {
        static auto* kept = new std::vector<std::unique_ptr<char[]>>;  // never freed, on purpose
        kept->push_back(std::make_unique<char[]>(assignment.size() + 1));
        std::memcpy(kept->back().get(), assignment.c_str(), assignment.size() + 1);
        _putenv(kept->back().get());
    }
#endif

    std::string name_;
    std::optional<std::string> previous_;
};

}  // namespace velm::test
