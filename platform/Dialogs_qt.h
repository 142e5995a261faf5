#pragma once

#include "platform/Dialogs.h"

namespace velm {

// Modal message boxes on Qt: the text, one OK button, caption "VelmUpdate".
class QtDialogs : public Dialogs {
public:
    void message(const std::string& text) override;
    void information(const std::string& text) override;
    void error(const std::string& text) override;
};

}  // namespace velm
