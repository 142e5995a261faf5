#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velm {

// Shared pieces of the listing formats. Text is ANSI (Windows-1252) bytes.

// A word of a line and where it lies in the line.
struct ListingWord {
    std::string_view text;
    std::size_t begin = 0;
    std::size_t end = 0;  // one past the last character
};

// The words of a line, separated by runs of blanks (spaces and tabs).
std::vector<ListingWord> splitListingWords(std::string_view line);

std::string upperAnsi(std::string_view text);
std::string lowerAnsi(std::string_view text);
bool hasLowerAnsi(std::string_view text);

// Windows-1252 upper case of one byte: a..z, and the accented letters à..þ
// map to À..Þ (÷ has no capital).
inline unsigned char upperAnsiByte(unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 32);
    return c;
}

// Case-insensitive comparisons with an upper-case text, without copying;
// inline, as the month look-up runs them for every listing line.
inline bool equalsUpper(std::string_view text, std::string_view upper) {
    if (text.size() != upper.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (upperAnsiByte(static_cast<unsigned char>(text[i])) !=
            static_cast<unsigned char>(upper[i]))
            return false;
    return true;
}
inline bool startsWithUpper(std::string_view text, std::string_view upper) {
    return text.size() >= upper.size() && equalsUpper(text.substr(0, upper.size()), upper);
}
// The name as a local file name: lower-cased when it has no lower-case letter.
std::string localFileName(std::string_view name);

// 1..12 for a month name of any of the known languages (case ignored), else 0.
int monthNumber(std::string_view word);
// The English three-letter name of month 1..12 ("Jan").
const char* englishMonthAbbreviation(int month);

// At least ten characters: a type character (L D - B C P S + I M W) and nine
// permission characters (T S R W X -, with A, L, H, Y/L and A allowed at
// some places); case ignored.
bool isUnixPermissionString(std::string_view text);
// "total 12", "gesamt 4", or the Korean, Chinese or Japanese word for total;
// never a line ending in ":".
bool isTotalLine(std::string_view line);
// "sub/dir:" heading the entries of a sub-directory.
bool isDirectoryBanner(std::string_view line);
// "/path (owner).": the heading of a sister format's listing.
bool isUnitreeBanner(std::string_view line);

}  // namespace velm
