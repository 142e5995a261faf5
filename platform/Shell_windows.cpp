#include <windows.h>

// after windows.h, which it needs
#include <shellapi.h>

#include <memory>
#include <string>

#include "platform/Shell.h"

namespace velm {

namespace {

class WindowsShell : public Shell {
public:
    bool openAddress(const std::string& address) override {
        const auto result = reinterpret_cast<INT_PTR>(
            ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
        return result > 32;
    }

    // As WinExec does: the system splits the line and finds the program.
    bool startProgram(const std::string& commandLine) override {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOWNORMAL;
        PROCESS_INFORMATION started{};
        std::string line = commandLine;  // CreateProcessA may write into it
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &started))
            return false;
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
        return true;
    }
};

}  // namespace

template <>
std::unique_ptr<Shell> makeSystemService<Shell>() {
    return std::make_unique<WindowsShell>();
}

}  // namespace velm
