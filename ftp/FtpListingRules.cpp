#include "ftp/FtpListingRules.h"

#include <array>

namespace velm {

namespace {

bool isSpaceOrTab(char c) {
    return c == ' ' || c == '\t';
}

unsigned char lowerByte(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
    return c;
}

bool isLowerByte(unsigned char c) {
    return upperAnsiByte(c) != c;
}

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

bool endsWith(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

// Month names, tried row by row (Windows-1252 for the accented ones).
const std::array<std::vector<std::string_view>, 12> kMonthNames = {{
    {"JAN", "JANUARY", "J\xC4N", "JANUAR", "ENO", "ENERO", "JANUARI", "JANV", "JANVIER"},
    {"FEB", "FEBRUARY", "FEBRUAR", "FBRO", "FBRERO", "FEBRUARI", "F\xC9V", "F\xC9VRIER", "F\xC9VR"},
    {"MAR", "MARCH", "MRZ", "M\xC4RZ", "MZO", "MARZO", "MRT", "MAART", "MARS", "MAREC"},
    {"APR", "APRIL", "ABR", "ABRIL", "AB", "AVR", "AVRIL"},
    {"MAY", "MAI", "MAYO", "MEI", "MAJ"},
    {"JUN", "JUNE", "JUNI", "JUNIO", "JUIN", "JUNJI"},
    {"JUL", "JULY", "JULI", "JULIO", "JUIL", "JUILLET", "JUI", "JULIJ"},
    {"AUG", "AUGUST", "AGTO", "AGOSTO", "AUGUSTUS", "AO\xDB", "AO\xDBT", "AVG", "AVGUST"},
    {"SEP", "SEPTEMBER", "SEPT", "SBRE", "SEPTIEMBRE", "SET", "SEPTEMBRE"},
    {"OCT", "OCTOBER", "OKT", "OKTOBER", "OBRE", "OCTUBRE", "OCTOBRE"},
    {"NOV", "NOVEMBER", "NBRE", "NOVIEMBRE", "NOVEMBRE"},
    {"DEC", "DECEMBER", "DEZ", "DEZEMBER", "DBRE", "DICIEMBRE", "DIC",
     "D\xC9"
     "C",
     "D\xC9"
     "CEMBRE"},
}};

// "Total" in Korean, Chinese and Japanese, as the UTF-8 bytes such servers send.
constexpr std::string_view kTotalWords[] = {
    "\xED\x95\xA9\xEA\xB3\x84",  // Korean
    "\xE6\x80\xBB\xE8\xAE\xA1",  // Chinese (simplified)
    "\xE7\xB8\xBD\xE8\xA8\x88",  // Chinese (traditional)
    "\xE5\x90\x88\xE8\xA8\x88",  // Japanese
};

}  // namespace

std::vector<ListingWord> splitListingWords(std::string_view line) {
    std::vector<ListingWord> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isSpaceOrTab(line[i])) ++i;
        if (i == line.size()) break;
        const std::size_t begin = i;
        while (i < line.size() && !isSpaceOrTab(line[i])) ++i;
        words.push_back({line.substr(begin, i - begin), begin, i});
    }
    return words;
}

std::string upperAnsi(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(upperAnsiByte(static_cast<unsigned char>(c)));
    return out;
}

std::string lowerAnsi(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(lowerByte(static_cast<unsigned char>(c)));
    return out;
}

bool hasLowerAnsi(std::string_view text) {
    for (char c : text)
        if (isLowerByte(static_cast<unsigned char>(c))) return true;
    return false;
}

std::string localFileName(std::string_view name) {
    return hasLowerAnsi(name) ? std::string(name) : lowerAnsi(name);
}

int monthNumber(std::string_view word) {
    if (word.size() < 2 || word.size() > 10) return 0;
    for (std::size_t m = 0; m < kMonthNames.size(); ++m)
        for (std::string_view name : kMonthNames[m])
            if (equalsUpper(word, name)) return static_cast<int>(m) + 1;
    return 0;
}

const char* englishMonthAbbreviation(int month) {
    static const char* const kNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return month >= 1 && month <= 12 ? kNames[month - 1] : "";
}

bool isUnixPermissionString(std::string_view text) {
    if (text.size() < 10) return false;
    auto upperAt = [&](std::size_t i) {
        return static_cast<char>(upperAnsiByte(static_cast<unsigned char>(text[i])));
    };
    if (std::string_view("LD-BCPS+IMW").find(upperAt(0)) == std::string_view::npos) return false;
    for (std::size_t i = 1; i < 10; ++i) {
        const char c = upperAt(i);
        if (std::string_view("TSRWX-").find(c) != std::string_view::npos) continue;
        // Extra letters some systems show (ACLs, hidden, locking, ...).
        if ((i == 2 && c == 'A') || (i == 3 && c == 'L') || (i == 4 && c == 'H') ||
            (i == 6 && (c == 'Y' || c == 'L')) || (i == 7 && c == 'A'))
            continue;
        return false;
    }
    return true;
}

bool isTotalLine(std::string_view line) {
    if (endsWith(line, ":")) return false;
    if (startsWithUpper(line, "TOTAL") || startsWithUpper(line, "GESAMT") ||
        startsWithUpper(line, "INSGESAMT"))
        return true;
    for (std::string_view word : kTotalWords)
        if (startsWith(line, word)) return true;
    return false;
}

bool isDirectoryBanner(std::string_view line) {
    return endsWith(line, ":") && !isUnixPermissionString(line);
}

bool isUnitreeBanner(std::string_view line) {
    return startsWith(line, "/") && endsWith(line, ").") &&
           line.find('(') != std::string_view::npos;
}

}  // namespace velm
