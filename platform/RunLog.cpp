#include "platform/RunLog.h"

#include <cstdio>
#include <memory>

#include "platform/Clock.h"

namespace velm {

namespace {

// Without the program's file log, nothing is kept.
class NoRunLog : public RunLog {
public:
    void append(const std::string&) noexcept override {}
};

std::string twoDigits(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

std::string datePart(const DateParts& p) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", p.year, p.month, p.day);
    return text;
}

std::string timePart(const DateParts& p) {
    return twoDigits(p.hour) + ":" + twoDigits(p.minute) + ":" + twoDigits(p.second);
}

bool needsQuotes(const std::string& value) {
    return value.empty() || value.find_first_of(" \"=\t\r\n") != std::string::npos;
}

// One physical line per event: line breaks (a server's message of several
// lines) become " | ", other control characters a blank.
std::string oneLine(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
            out += " | ";
        } else if (static_cast<unsigned char>(c) < 0x20) {
            out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

template <>
std::unique_ptr<RunLog> makeSystemService<RunLog>() {
    return std::make_unique<NoRunLog>();
}

void logEvent(const std::string& text) noexcept {
    try {
        runLog().append(runLogLine(clock().now(), text));
    } catch (...) {
        // The clock or memory failed: the run goes on without this line.
    }
}

std::string runLogLine(DateTime when, const std::string& text) {
    const DateParts p = decodeDateTime(when);
    char millis[8];
    std::snprintf(millis, sizeof millis, ".%03d", p.millisecond);
    return datePart(p) + " " + timePart(p) + millis + " " + text;
}

std::string logField(const char* name, const std::string& value) {
    const std::string flat = oneLine(value);
    if (!needsQuotes(flat)) return std::string(" ") + name + "=" + flat;
    std::string quoted = "\"";
    for (const char c : flat) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return std::string(" ") + name + "=" + quoted + "\"";
}

std::string logField(const char* name, std::int64_t value) {
    return std::string(" ") + name + "=" + std::to_string(value);
}

std::string logTime(DateTime time) {
    const DateParts p = decodeDateTime(time);
    return datePart(p) + "T" + timePart(p);
}

}  // namespace velm
