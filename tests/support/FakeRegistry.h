#pragma once

#include <map>
#include <string>
#include <tuple>

#include "platform/Errors.h"
#include "platform/Registry.h"

namespace velm::test {

// A registry that holds given values and counts the reads, for tests of code
// that only reads one value (the real one is tested on its own).
class FakeRegistry : public Registry {
public:
    void set(const std::string& keyPath, const std::string& name, RegistryValue value) {
        values_[{keyPath, name}] = std::move(value);
    }
    RegistryValue readValue(RegistryRoot, const std::string& keyPath,
                            const std::string& valueName) override {
        ++reads;
        const auto found = values_.find({keyPath, valueName});
        if (found == values_.end()) throw osError(kCannotReadKey);
        return found->second;
    }
    int reads = 0;

private:
    std::map<std::tuple<std::string, std::string>, RegistryValue> values_;
};

inline const char* const kCurrentVersionKey = "\\Software\\Microsoft\\Windows\\CurrentVersion";

}  // namespace velm::test
