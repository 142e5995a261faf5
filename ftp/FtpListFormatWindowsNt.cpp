#include "ftp/FtpListFormatWindowsNt.h"

#include "ftp/FtpListingRules.h"
#include "platform/DecimalText.h"

namespace velm {

namespace {

bool digitsAt(std::string_view s, std::size_t from, std::size_t count) {
    if (s.size() < from + count) return false;
    for (std::size_t i = from; i < from + count; ++i)
        if (!isAsciiDigit(s[i])) return false;
    return true;
}

// MM-DD-YY or MM/DD/YY with a plausible month and day, or by position
// YYYY-MM-DD, YYYY/MM/DD or NN-NN-NN.
bool beginsWithDosDate(std::string_view line, std::string_view firstWord) {
    std::vector<std::string_view> parts;
    std::size_t from = 0;
    for (;;) {
        const std::size_t sep = firstWord.find_first_of("-/", from);
        parts.push_back(firstWord.substr(from, sep == std::string_view::npos ? sep : sep - from));
        if (sep == std::string_view::npos) break;
        from = sep + 1;
    }
    if (parts.size() == 3 && isAsciiDigits(parts[0]) && isAsciiDigits(parts[1]) &&
        isAsciiDigits(parts[2])) {
        const auto month = readDigits<int>(parts[0]);
        const auto day = readDigits<int>(parts[1]);
        if (month && day && *month >= 1 && *month <= 12 && *day >= 1 && *day <= 32) return true;
    }
    if (digitsAt(line, 0, 4) && line.size() >= 10 && (line[4] == '-' || line[4] == '/') &&
        line[7] == line[4] && digitsAt(line, 5, 2) && digitsAt(line, 8, 2))
        return true;
    return digitsAt(line, 0, 2) && line.size() >= 8 && line[2] == '-' && digitsAt(line, 3, 2) &&
           line[5] == '-' && digitsAt(line, 6, 2);
}

// " <DIR> " at characters 22 to 26, or a size at characters 20 to 38.
bool hasDirOrSizeColumn(std::string_view line) {
    for (std::size_t at = 21; at <= 25; ++at)
        if (line.size() >= at + 7 && line.substr(at, 7) == " <DIR> ") return true;
    if (line.size() <= 19) return false;
    std::string_view field = line.substr(19, 19);
    // A size that ends two characters early, with the name right behind it.
    if (field.size() >= 18 && isAsciiDigit(field[16]) && field[17] == ' ')
        field = field.substr(0, 17);
    std::string digits;
    for (char c : field)
        if (c != ',') digits += c;
    const std::size_t first = digits.find_first_not_of(' ');
    return first != std::string::npos && isAsciiDigits(std::string_view(digits).substr(first));
}

// A date whose year is below 1000 gives two digits: above 50 the previous
// century, otherwise the current one.
int fullYear(int year, int currentYear) {
    if (year >= 1000) return year;
    const int century = currentYear / 100 * 100;
    return year > 50 ? century - 100 + year : century + year;
}

// Reads "digits<sep>digits<sep>digits" with any non-digit separators.
bool readThreeNumbers(std::string_view text, int (&out)[3]) {
    std::size_t i = 0;
    for (int n = 0; n < 3; ++n) {
        const std::size_t begin = i;
        while (i < text.size() && isAsciiDigit(text[i])) ++i;
        const auto value = readDigits<int>(text.substr(begin, i - begin));
        if (!value) return false;
        out[n] = *value;
        if (n < 2) {
            if (i >= text.size()) return false;
            ++i;  // the separator
        }
    }
    return true;
}

// "02:07PM", "14:07", "2:07:33 A": hours, minutes and seconds separated by
// the first non-digit character, then an optional AM/PM marker.
bool readDosTime(std::string_view text, DateTime& out, int& hour) {
    std::size_t i = 0;
    auto number = [&](int& value) {
        const std::size_t begin = i;
        while (i < text.size() && isAsciiDigit(text[i])) ++i;
        const auto v = readDigits<int>(text.substr(begin, i - begin));
        if (!v) return false;
        value = *v;
        return true;
    };
    int minute = 0, second = 0;
    if (!number(hour) || i >= text.size()) return false;
    const char sep = text[i++];
    if (!number(minute)) return false;
    if (i < text.size() && text[i] == sep) {
        ++i;
        if (!number(second)) return false;
    }
    const std::string marker = upperAnsi(text.substr(i));
    if ((marker == "PM" || marker == "P") && hour < 12) hour += 12;
    if ((marker == "AM" || marker == "A") && hour == 12) hour = 0;
    return tryEncodeTime(hour, minute, second, 0, out);
}

bool parseEntry(const std::string& line, int currentYear, TFtpListItem& item) {
    const std::vector<ListingWord> w = splitListingWords(line);
    if (w.size() < 2) return false;

    // The date: MM-DD-YY, or YYYY-MM-DD by position.
    int parts[3] = {};
    bool dateOk;
    int year, month, day;
    if (!digitsAt(line, 0, 4) || (line.size() > 4 && isAsciiDigit(line[4]))) {
        dateOk = readThreeNumbers(w[0].text, parts);
        month = parts[0];
        day = parts[1];
        year = fullYear(parts[2], currentYear);
    } else {
        dateOk = line.size() >= 10 && digitsAt(line, 5, 2) && digitsAt(line, 8, 2);
        year = dateOk ? *readDigits<int>(std::string_view(line).substr(0, 4)) : 0;
        month = dateOk ? *readDigits<int>(std::string_view(line).substr(5, 2)) : 0;
        day = dateOk ? *readDigits<int>(std::string_view(line).substr(8, 2)) : 0;
    }
    DateTime date, time;
    int hour = 0;
    const bool valid =
        dateOk && tryEncodeDate(year, month, day, date) && readDosTime(w[1].text, time, hour);
    // A date or time that cannot be encoded leaves the time at 0.
    item.ModifiedDate = valid ? DateTime{date.value + time.value} : DateTime{};

    std::size_t i = 2;
    for (; i < w.size(); ++i) {
        const std::string word = upperAnsi(w[i].text);
        if (word == "AM") continue;
        if (word == "PM") {
            // A detached marker; "12:30 PM" is already afternoon.
            if (valid && hour < 12) item.ModifiedDate.value += 0.5;
            continue;
        }
        if (word == "<DIR>") {
            item.ItemType = ditDirectory;
            item.SizeAvail = false;
            std::string name = w[i].end + 1 < line.size() ? line.substr(w[i].end + 1) : "";
            if (name.compare(0, 17, std::string(17, ' ')) == 0)
                name.erase(0, 17);
            else if (name.compare(0, 9, std::string(9, ' ')) == 0)
                name.erase(0, 9);
            item.FileName = std::move(name);
        } else {
            std::string digits;
            for (char c : w[i].text)
                if (c != ',') digits += c;
            item.ItemType = ditFile;
            item.Size = readDigits<std::int64_t>(digits).value_or(0);
            item.FileName = w[i].end + 1 < line.size() ? line.substr(w[i].end + 1) : "";
        }
        break;
    }
    return i < w.size() && !item.FileName.empty();
}

}  // namespace

bool FtpListFormatWindowsNt::recognises(const std::vector<std::string>& lines) const {
    // The last entry line decides, so the walk starts at the end.
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        const std::string& line = *it;
        if (line.empty() || isDirectoryBanner(line)) continue;
        const std::string upper = upperAnsi(line);
        const std::vector<ListingWord> w = splitListingWords(upper);
        if (w.empty() || !beginsWithDosDate(upper, w[0].text) || !hasDirOrSizeColumn(upper))
            continue;
        // A sister format puts "F" or "D" third and a number or "-" fifth.
        return !(w.size() >= 5 && (w[2].text == "F" || w[2].text == "D") &&
                 (isAsciiDigits(w[4].text) || w[4].text == "-"));
    }
    return false;
}

bool FtpListFormatWindowsNt::parse(const std::vector<std::string>& lines, DateTime now,
                                   TFtpListItems& items) const {
    const int currentYear = decodeDateTime(now).year;
    return parseEntries(
        lines, '\\', [](const std::string&) { return false; },
        [&](const std::string& line, TFtpListItem& item) {
            return parseEntry(line, currentYear, item);
        },
        items);
}

}  // namespace velm
