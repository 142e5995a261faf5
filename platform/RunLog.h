#pragma once

#include <cstdint>
#include <string>

#include "platform/DateTime.h"
#include "platform/Service.h"

namespace velm {

// What the runs did, for whoever answers the shop's call: one line per event,
// each beginning with the local date and time. The program installs the file
// log (platform/RunLogFile.h); the default keeps nothing, so that a run
// outside the program (a test, a benchmark) leaves no file behind.
class RunLog {
public:
    virtual ~RunLog() = default;
    // Appends one whole line: ANSI text without a line end. Never raises: a
    // log that cannot be written must not change the run.
    virtual void append(const std::string& line) noexcept = 0;
};

inline RunLog& runLog() {
    return Service<RunLog>::get();
}

// The line format, kept here and nowhere else:
//   2026-12-10 14:07:09.250 download name="meu arquivo.txt" size=11 result=ok
// the stamp, an event word, then fields NAME=VALUE separated by blanks. A
// value is quoted when it is empty or holds a blank, a quote or an equals
// sign; a quote inside is doubled; line breaks inside become " | ".

// Appends the text stamped with the clock's time. Never raises.
void logEvent(const std::string& text) noexcept;
// Appends the text that `build` returns; an error while building it loses
// that line and nothing else.
template <class Build>
void logBuiltEvent(Build build) noexcept {
    try {
        logEvent(build());
    } catch (...) {
    }
}

// "2026-12-10 14:07:09.250 " + text.
std::string runLogLine(DateTime when, const std::string& text);
// " NAME=VALUE", the value quoted when needed.
std::string logField(const char* name, const std::string& value);
std::string logField(const char* name, std::int64_t value);
// A date and time inside a field: "2026-12-01T14:07:00".
std::string logTime(DateTime time);

}  // namespace velm
