#include "platform/FileNames.h"

#include "platform/FileSystem.h"

namespace velm {

namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

}  // namespace

char foldFileNameChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 'A' && u <= 'Z') return static_cast<char>(u + 32);
    // Windows-1252 capitals: the accented block (not the multiplication sign)
    // and the four in 0x80-0x9F.
    if (u >= 0xC0 && u <= 0xDE && u != 0xD7) return static_cast<char>(u + 32);
    switch (u) {
        case 0x8A:
            return static_cast<char>(0x9A);  // S caron
        case 0x8C:
            return static_cast<char>(0x9C);  // OE
        case 0x8E:
            return static_cast<char>(0x9E);  // Z caron
        case 0x9F:
            return static_cast<char>(0xFF);  // Y diaeresis
        default:
            return c;
    }
}

bool sameFileName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (foldFileNameChar(a[i]) != foldFileNameChar(b[i])) return false;
    return true;
}

std::vector<std::string> splitPath(const std::string& name) {
    std::vector<std::string> parts;
    std::string current;
    for (char c : name) {
        if (isSeparator(c)) {
            if (!current.empty()) parts.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) parts.push_back(current);
    return parts;
}

bool isAbsoluteName(const std::string& name) {
    return !name.empty() && isSeparator(name[0]);
}

bool endsWithSeparator(const std::string& name) {
    return !name.empty() && isSeparator(name.back());
}

std::string extractFileDir(const std::string& name) {
    const auto pos = name.find_last_of("\\/:");
    if (pos == std::string::npos) return "";
    if (name[pos] == ':') return name.substr(0, pos + 1);  // "C:name"
    // A root keeps its separator: "\name" -> "\", "C:\name" -> "C:\".
    if (pos == 0 || name[pos - 1] == ':') return name.substr(0, pos + 1);
    return name.substr(0, pos);
}

std::string extractFileName(const std::string& name) {
    const auto pos = name.find_last_of("\\/:");
    return pos == std::string::npos ? name : name.substr(pos + 1);
}

namespace {

bool matchFrom(const std::string& name, std::size_t n, const std::string& pattern, std::size_t p) {
    while (p < pattern.size()) {
        if (pattern[p] == '*') {
            while (p < pattern.size() && pattern[p] == '*') ++p;
            if (p == pattern.size()) return true;
            for (std::size_t k = n; k <= name.size(); ++k)
                if (matchFrom(name, k, pattern, p)) return true;
            return false;
        }
        if (n == name.size()) return false;
        if (pattern[p] != '?' && foldFileNameChar(pattern[p]) != foldFileNameChar(name[n]))
            return false;
        ++p;
        ++n;
    }
    return n == name.size();
}

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

bool matchesWildcard(const std::string& name, const std::string& pattern) {
    if (matchFrom(name, 0, pattern, 0)) return true;
    // As on Windows, a pattern ending in ".*" also matches names without an
    // extension ("SCRIPT_ERRO*.*" finds "SCRIPT_ERRO_1"), and one ending in a
    // bare "." matches only names without one ("*.").
    if (endsWith(pattern, ".*"))
        return matchFrom(name, 0, pattern.substr(0, pattern.size() - 2), 0);
    if (endsWith(pattern, ".") && name.find('.') == std::string::npos)
        return matchFrom(name, 0, pattern.substr(0, pattern.size() - 1), 0);
    return false;
}

}  // namespace velm
