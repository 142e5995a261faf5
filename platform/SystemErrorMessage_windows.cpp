#include <windows.h>

#include <string>

#include "platform/Errors.h"

namespace velm {

std::string systemErrorMessage(unsigned long code) {
    char* text = nullptr;
    const DWORD n = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    if (n == 0 || !text) return "System error " + std::to_string(code) + ".";
    std::string message(text, n);
    LocalFree(text);
    while (!message.empty() &&
           (message.back() == '\r' || message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    return message;
}

}  // namespace velm
