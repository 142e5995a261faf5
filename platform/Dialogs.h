#pragma once

#include <string>
#include <vector>

#include "platform/Service.h"

namespace velm {

// Modal message boxes with one OK button and the caption "VelmUpdate".
// Texts are ANSI bytes. The GUI installs the Qt implementation; the core's
// default writes to the standard error stream so that nothing ever blocks.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual void message(const std::string& text) = 0;      // no icon
    virtual void information(const std::string& text) = 0;  // information icon
    virtual void error(const std::string& text) = 0;        // error icon
};

inline Dialogs& dialogs() { return Service<Dialogs>::get(); }

// Test double: answers at once and keeps what was shown.
class RecordingDialogs : public Dialogs {
public:
    enum class Kind { Message, Information, Error };
    struct Shown {
        Kind kind;
        std::string text;
    };
    void message(const std::string& text) override { shown.push_back({Kind::Message, text}); }
    void information(const std::string& text) override {
        shown.push_back({Kind::Information, text});
    }
    void error(const std::string& text) override { shown.push_back({Kind::Error, text}); }

    std::vector<Shown> shown;
};

// The text of the standard error box: the error's text with a full stop
// appended when its last character sorts above ".".
std::string standardErrorText(const std::string& errorText);

}  // namespace velm
