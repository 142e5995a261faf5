// The real registry, in the view a 32-bit process has of it (on a 64-bit
// system "ProgramFilesDir" then names the 32-bit programs folder).
#include <windows.h>

#include <memory>
#include <string>

#include "platform/Errors.h"
#include "platform/Registry.h"

namespace velm {

namespace {

HKEY rootKey(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::ClassesRoot:
            return HKEY_CLASSES_ROOT;
        case RegistryRoot::CurrentUser:
            return HKEY_CURRENT_USER;
        case RegistryRoot::LocalMachine:
            return HKEY_LOCAL_MACHINE;
        case RegistryRoot::Users:
            return HKEY_USERS;
        case RegistryRoot::CurrentConfig:
            return HKEY_CURRENT_CONFIG;
    }
    return HKEY_LOCAL_MACHINE;
}

class OpenKey {
public:
    OpenKey(RegistryRoot root, const std::string& path) {
        const LONG rc =
            RegOpenKeyExA(rootKey(root), path.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, &key_);
        if (rc != ERROR_SUCCESS) throw osError(static_cast<DWORD>(rc));
    }
    ~OpenKey() { RegCloseKey(key_); }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    // The value's data, or false when it cannot be read whole.
    bool query(const std::string& name, DWORD& type, std::string& data) const {
        DWORD size = 0;
        if (RegQueryValueExA(key_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return false;
        for (int attempt = 0; attempt < 5; ++attempt) {
            data.assign(size + 1, '\0');  // room for a missing terminator
            DWORD got = size;
            const LONG rc = RegQueryValueExA(key_, name.c_str(), nullptr, &type,
                                             reinterpret_cast<BYTE*>(data.data()), &got);
            if (rc == ERROR_MORE_DATA) {  // grew meanwhile
                size = got;
                continue;
            }
            if (rc != ERROR_SUCCESS) return false;
            data.resize(got);
            return type != REG_BINARY || got == size;
        }
        return false;
    }

private:
    HKEY key_ = nullptr;
};

class WindowsRegistry : public Registry {
public:
    RegistryValue readValue(RegistryRoot root, const std::string& keyPath,
                            const std::string& valueName) override {
        const std::string path = keyPath.substr(keyPath.find_first_not_of('\\') == std::string::npos
                                                    ? keyPath.size()
                                                    : keyPath.find_first_not_of('\\'));
        const OpenKey key(root, path);
        DWORD type = REG_NONE;
        std::string data;
        if (!key.query(valueName, type, data)) throw osError(Registry::kCannotReadKey);
        switch (type) {
            case REG_SZ:
            case REG_EXPAND_SZ:
                return data.substr(0, data.find('\0'));
            case REG_DWORD:
                if (data.size() != 4) throw osError(Registry::kCannotReadKey);
                {
                    DWORD n = 0;
                    memcpy(&n, data.data(), 4);
                    return static_cast<std::int32_t>(n);
                }
            case REG_BINARY:
                return data;
            default:
                throw osError(Registry::kCannotReadKey);
        }
    }
};

}  // namespace

template <>
std::unique_ptr<Registry> makeSystemService<Registry>() {
    return std::make_unique<WindowsRegistry>();
}

}  // namespace velm
