#include "platform/Dialogs.h"

#include <iostream>
#include <memory>

namespace velm {

std::string standardErrorText(const std::string& errorText) {
    if (!errorText.empty() && static_cast<unsigned char>(errorText.back()) > '.')
        return errorText + ".";
    return errorText;
}

namespace {

// Used only when no window system installed its own: never blocks.
class StreamDialogs : public Dialogs {
public:
    void message(const std::string& text) override { std::cerr << "VelmUpdate: " << text << '\n'; }
    void information(const std::string& text) override { message(text); }
    void error(const std::string& text) override { message(text); }
};

}  // namespace

template <>
std::unique_ptr<Dialogs> makeSystemService<Dialogs>() {
    return std::make_unique<StreamDialogs>();
}

}  // namespace velm
