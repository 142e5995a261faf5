#include "ftp/FtpListFormatUnix.h"

#include <cmath>

#include "ftp/FtpErrors.h"
#include "ftp/FtpListingRules.h"
#include "platform/DecimalText.h"

namespace velm {

namespace {

using Words = std::vector<ListingWord>;

bool hasColon(std::string_view word) {
    return word.find(':') != std::string_view::npos;
}

bool isUnixEntryLine(const std::string& line) {
    const Words w = splitListingWords(line);
    const bool startsWithPermissions = isUnixPermissionString(line);
    if (!startsWithPermissions &&
        !(w.size() > 3 && isAsciiDigits(w[0].text) &&
          (isUnixPermissionString(w[1].text) ||
           (isAsciiDigits(w[1].text) && isUnixPermissionString(w[2].text)))))
        return false;
    if (startsWithPermissions) {
        // Sister formats that also begin with a permission column.
        const char type = upperAnsi(line.substr(0, 1))[0];
        if (type != 'C' && type != 'B' && w.size() > 9) {
            const std::string tenth = upperAnsi(w[9].text);
            if (tenth == "AM" || tenth == "PM") return false;
            if (!hasColon(w[8].text) && monthNumber(w[6].text) != 0) return false;
        }
    }
    if (w.size() >= 5 && (w[4].text == "AR" || w[4].text == "DK")) return false;  // Unitree
    return !isUnitreeBanner(line);
}

TDirItemType typeOf(char permissionType) {
    switch (upperAnsi(std::string_view(&permissionType, 1))[0]) {
        case 'D':
            return ditDirectory;
        case 'L':
            return ditSymbolicLink;
        case 'B':
            return ditBlockDev;
        case 'C':
            return ditCharDev;
        case 'P':
            return ditFIFO;
        case 'S':
            return ditSocket;
        default:
            return ditFile;
    }
}

[[noreturn]] void invalidDate(const std::string& line) {
    throw EFtpListingError("Invalid date in the listing line \"" + line.substr(0, 200) + "\"");
}

// The date columns of an entry, before the year rules.
struct ListedDate {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0, minute = 0, second = 0;
    bool hasTime = false;
    std::size_t nameFrom = 0;  // position in the line after the last date word
};

// "HH:MM" or "HH:MM:SS".
bool readTime(std::string_view text, ListedDate& d, bool& withSeconds) {
    const std::size_t c1 = text.find(':');
    const std::size_t c2 = text.find(':', c1 + 1);
    const auto h = readDigits<int>(text.substr(0, c1));
    const auto m =
        readDigits<int>(text.substr(c1 + 1, c2 == std::string_view::npos ? c2 : c2 - c1 - 1));
    if (!h || !m) return false;
    d.hour = *h;
    d.minute = *m;
    withSeconds = c2 != std::string_view::npos;
    if (withSeconds) {
        const auto s = readDigits<int>(text.substr(c2 + 1));
        if (!s) return false;
        d.second = *s;
    }
    d.hasTime = true;
    return true;
}

// "YYYY-MM-DD", "YYYY/MM/DD" or "YYYY.MM.DD".
bool readIsoDate(std::string_view text, ListedDate& d) {
    if (text.size() != 10 || !isAsciiDigits(text.substr(0, 4)) ||
        !isAsciiDigits(text.substr(5, 2)) || !isAsciiDigits(text.substr(8, 2)))
        return false;
    const char sep = text[4];
    if ((sep != '-' && sep != '/' && sep != '.') || text[7] != sep) return false;
    d.year = *readDigits<int>(text.substr(0, 4));
    d.month = *readDigits<int>(text.substr(5, 2));
    d.day = *readDigits<int>(text.substr(8, 2));
    return true;
}

// Reads the date columns starting at word `at`.
ListedDate readDate(const std::string& line, const Words& w, std::size_t at) {
    ListedDate d;
    auto word = [&](std::size_t i) -> std::string_view {
        if (i >= w.size()) invalidDate(line);
        return w[i].text;
    };
    if (readIsoDate(word(at), d)) {
        std::size_t last = at;
        bool withSeconds = false;
        if (at + 1 < w.size() && hasColon(w[at + 1].text)) {
            if (!readTime(w[at + 1].text, d, withSeconds)) invalidDate(line);
            last = at + 1;
        }
        d.nameFrom = w[last].end;
        return d;
    }

    std::optional<int> day;
    if (const int month = monthNumber(word(at)); month != 0) {  // Mar 5
        d.month = month;
        day = readDigits<int>(word(at + 1));
    } else if (const int after = monthNumber(word(at + 1)); after != 0) {  // 5 Mar
        d.month = after;
        day = readDigits<int>(word(at));
    } else {  // 3 5: numeric month first
        const auto month = readDigits<int>(word(at));
        if (!month) invalidDate(line);
        d.month = *month;
        day = readDigits<int>(word(at + 1));
    }
    if (!day) invalidDate(line);
    d.day = *day;

    const std::string_view third = word(at + 2);
    std::size_t last = at + 2;
    if (hasColon(third)) {
        bool withSeconds = false;
        if (!readTime(third, d, withSeconds)) invalidDate(line);
        // "14:07:33 2024": a full time followed by the year.
        if (withSeconds && at + 3 < w.size() && isAsciiDigits(w[at + 3].text)) {
            const auto year = readDigits<int>(w[at + 3].text);
            if (!year) invalidDate(line);
            d.year = *year;
            last = at + 3;
        }
    } else {
        const auto year = readDigits<int>(third);
        if (!year) invalidDate(line);
        d.year = *year;
    }
    d.nameFrom = w[last].end;
    return d;
}

// 29 February of a year that has none is read as 28 February.
int validDay(int year, int month, int day) {
    return month == 2 && day == 29 && year >= 1 && year <= 9999 && !isLeapYear(year) ? 28 : day;
}

bool tryEncode(int year, int month, int day, const ListedDate& d, DateTime& out) {
    DateTime date, time;
    if (!tryEncodeDate(year, month, validDay(year, month, day), date) ||
        !tryEncodeTime(d.hour, d.minute, d.second, 999, time))
        return false;
    // Before 1899-12-30 the time still counts forward from the day's midnight.
    out.value = date.value >= 0 ? date.value + time.value : date.value - time.value;
    return true;
}

bool containsDateSpelling(const std::string& line, int year, int month, int day) {
    const std::string y = "  " + std::to_string(year);
    const std::string dd = (day < 10 ? " 0" : " ") + std::to_string(day);
    const std::string m = std::to_string(month);
    const std::string name = englishMonthAbbreviation(month);
    for (const std::string& spelling : {m + y, m + dd + y, name + y, name + dd + y})
        if (line.find(spelling) != std::string::npos) return true;
    return false;
}

// The modification time: a listing gives either a time (recent entries, the
// year left out) or a year.
DateTime modifiedDate(const std::string& line, ListedDate d, DateTime now, int currentYear) {
    if (d.hasTime) {
        // The current year, unless that puts the entry after tomorrow.
        d.year = currentYear;
        DateTime day;
        if (!tryEncodeDate(d.year, d.month, validDay(d.year, d.month, d.day), day))
            invalidDate(line);
        if (day.value > std::floor(now.value) + 1) --d.year;
    }
    DateTime result;
    if (!tryEncode(d.year, d.month, d.day, d, result)) invalidDate(line);

    // A year more than 90 days back that the line does not spell out is taken
    // as the next year when that lands within the coming week.
    if (d.year < currentYear && now.value - result.value > 90 &&
        !containsDateSpelling(line, d.year, d.month, d.day)) {
        DateTime moved;
        if (tryEncode(d.year + 1, d.month, d.day, d, moved) && moved.value <= now.value + 7)
            result = moved;
    }
    return result;
}

// Parses one entry line; false when it is not one.
bool parseEntry(const std::string& line, DateTime now, int currentYear, TFtpListItem& item) {
    Words all = splitListingWords(line);
    std::size_t i = 0;
    // Optional inode number and block count before the permissions.
    if (!all.empty() && !isUnixPermissionString(all[0].text) && isAsciiDigits(all[0].text)) {
        item.Inode = readDigits<std::int64_t>(all[0].text).value_or(0);
        i = 1;
        if (all.size() > 1 && !isUnixPermissionString(all[1].text) && isAsciiDigits(all[1].text)) {
            item.BlockCount = readDigits<std::int64_t>(all[1].text).value_or(0);
            i = 2;
        }
    }
    if (i >= all.size() || !isUnixPermissionString(all[i].text)) return false;
    Words w = std::move(all);
    w.erase(w.begin(), w.begin() + static_cast<std::ptrdiff_t>(i));
    if (w.size() < 2) return false;

    const std::string_view permissions = w[0].text;
    item.PermissionDisplay = std::string(permissions.substr(0, 10));
    item.OwnerPermissions = std::string(permissions.substr(1, 3));
    item.GroupPermissions = std::string(permissions.substr(4, 3));
    item.OtherPermissions = std::string(permissions.substr(7, 3));
    item.ItemType = typeOf(permissions[0]);
    item.LinkCount = readDigits<std::int64_t>(w[1].text).value_or(0);

    auto isTimeOrYear = [](std::string_view s) { return isAsciiDigits(s) || hasColon(s); };
    std::size_t sizeAt, dateAt;
    if (w.size() >= 6 && monthNumber(w[3].text) && isAsciiDigits(w[4].text) &&
        isTimeOrYear(w[5].text)) {
        // No owner or group column.
        sizeAt = 2;
        dateAt = 3;
    } else if (w.size() >= 7 && isAsciiDigits(w[3].text) && monthNumber(w[4].text) &&
               isAsciiDigits(w[5].text) && isTimeOrYear(w[6].text)) {
        // An owner but no group column ("ls -o").
        item.OwnerName = std::string(w[2].text);
        sizeAt = 3;
        dateAt = 4;
    } else {
        if (w.size() < 6) return false;
        item.OwnerName = std::string(w[2].text);
        item.GroupName = std::string(w[3].text);
        sizeAt = 4;
        dateAt = 5;
    }

    const std::string_view size = w[sizeAt].text;
    if (size.find(',') != std::string_view::npos) {
        item.Size = 0;  // device: "major, minor" or "major,minor"
        if (size.back() == ',') ++dateAt;
    } else {
        item.Size = readDigits<std::int64_t>(size).value_or(0);
    }

    const ListedDate date = readDate(line, w, dateAt);
    item.ModifiedDate = modifiedDate(line, date, now, currentYear);

    std::size_t from = date.nameFrom;
    while (from < line.size() && (line[from] == ' ' || line[from] == '\t')) ++from;
    std::string name = line.substr(from);
    if (item.ItemType == ditSymbolicLink) {
        const std::size_t arrow = name.find(" -> ");
        if (arrow != std::string::npos) {
            item.LinkedItemName = name.substr(arrow + 4);
            name.resize(arrow);
            if (!item.LinkedItemName.empty() && item.LinkedItemName.back() == '/') {
                item.LinkedItemName.pop_back();
                item.ItemType = ditSymbolicLinkDir;
            }
        }
    }
    if (!name.empty() && (name.back() == '/' || name.back() == '*')) name.pop_back();
    if (name.empty()) return false;
    item.FileName = std::move(name);
    return true;
}

}  // namespace

bool FtpListFormatUnix::recognises(const std::vector<std::string>& lines) const {
    for (const std::string& line : lines) {
        if (line.empty() || isTotalLine(line) || isDirectoryBanner(line)) continue;
        return isUnixEntryLine(line);
    }
    return false;
}

bool FtpListFormatUnix::parse(const std::vector<std::string>& lines, DateTime now,
                              TFtpListItems& items) const {
    const int currentYear = decodeDateTime(now).year;
    return parseEntries(
        lines, '/',
        [](const std::string& line) {
            return isTotalLine(line) || line.rfind("/bin/ls:", 0) == 0 || isUnitreeBanner(line);
        },
        [&](const std::string& line, TFtpListItem& item) {
            return parseEntry(line, now, currentYear, item);
        },
        items);
}

}  // namespace velm
