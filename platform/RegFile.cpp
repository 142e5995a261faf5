#include "platform/RegFile.h"

#include <optional>
#include <vector>

#include "platform/AnsiCodePage.h"
#include "platform/AsciiText.h"
#include "platform/Errors.h"
#include "platform/TextLines.h"

namespace velm {

namespace {

constexpr unsigned long kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3, kRegDword = 4;

std::string trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16LE bytes to UTF-8; nothing when they are not valid UTF-16.
std::optional<std::string> utf16leToUtf8(const std::string& bytes) {
    if (bytes.size() % 2 != 0) return std::nullopt;
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        char32_t c =
            static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
        if (c >= 0xDC00 && c <= 0xDFFF) return std::nullopt;
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 3 >= bytes.size()) return std::nullopt;
            const char32_t low = static_cast<unsigned char>(bytes[i + 2]) |
                                 (static_cast<unsigned char>(bytes[i + 3]) << 8);
            if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        appendUtf8(out, c);
    }
    return out;
}

std::optional<std::string> rootName(const std::string& name) {
    const std::string n = asciiLower(name);
    if (n == "hkey_local_machine" || n == "hklm") return "hkey_local_machine";
    if (n == "hkey_current_user" || n == "hkcu") return "hkey_current_user";
    if (n == "hkey_classes_root" || n == "hkcr") return "hkey_classes_root";
    if (n == "hkey_users" || n == "hku") return "hkey_users";
    if (n == "hkey_current_config" || n == "hkcc") return "hkey_current_config";
    return std::nullopt;
}

std::string rootName(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::ClassesRoot:
            return "hkey_classes_root";
        case RegistryRoot::CurrentUser:
            return "hkey_current_user";
        case RegistryRoot::LocalMachine:
            return "hkey_local_machine";
        case RegistryRoot::Users:
            return "hkey_users";
        case RegistryRoot::CurrentConfig:
            return "hkey_current_config";
    }
    return "";
}

// "a\\b\" -> "a\b" (lower-cased, no empty components).
std::string normalKeyPath(const std::string& path) {
    std::string out, part;
    auto flush = [&] {
        if (part.empty()) return;
        if (!out.empty()) out += '\\';
        out += asciiLower(part);
        part.clear();
    };
    for (char c : path) {
        if (c == '\\')
            flush();
        else
            part += c;
    }
    flush();
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

class RegFileParser {
public:
    RegFileParser(RegFile& out, std::string fileName) : out_(out), fileName_(std::move(fileName)) {}

    void parse(const std::string& content) {
        const std::vector<std::string> lines = splitTextLines(decode(content));
        std::size_t i = 0;
        while (i < lines.size() && trim(lines[i]).empty()) ++i;
        const std::string header = i < lines.size() ? trim(lines[i]) : "";
        line_ = static_cast<int>(i) + 1;
        if (header == "Windows Registry Editor Version 5.00")
            version5_ = true;
        else if (header != "REGEDIT4")
            fail("the first line must be \"REGEDIT4\" or \"Windows Registry Editor Version 5.00\"");
        for (++i; i < lines.size(); ++i) {
            line_ = static_cast<int>(i) + 1;
            std::string text = trim(lines[i]);
            if (text.empty() || text[0] == ';') continue;
            while (!text.empty() && text.back() == '\\' && i + 1 < lines.size()) {
                text.pop_back();
                text += trim(lines[++i]);
            }
            if (text[0] == '[')
                section(text);
            else if (text[0] == '"' || text[0] == '@')
                value(text);
            else
                fail("expected a [key] or a \"name\"=value line");
        }
    }

private:
    std::string decode(const std::string& content) {
        line_ = 1;
        if (content.size() >= 2 && content[0] == '\xFF' && content[1] == '\xFE') {
            auto text = utf16leToUtf8(content.substr(2));
            if (!text) fail("the file is not valid UTF-16");
            return *text;
        }
        if (content.size() >= 3 && content.compare(0, 3, "\xEF\xBB\xBF") == 0)
            return content.substr(3);
        return ansiToUtf8(content);
    }

    [[noreturn]] void fail(const std::string& reason) const {
        throw Error("Malformed registry file \"" + fileName_ + "\", line " + std::to_string(line_) +
                    ": " + reason);
    }

    void section(const std::string& text) {
        if (text.back() != ']') fail("a key line must end with \"]\"");
        const bool remove = text.size() > 1 && text[1] == '-';
        const std::string path = text.substr(remove ? 2 : 1, text.size() - (remove ? 3 : 2));
        const auto slash = path.find('\\');
        const auto root = rootName(path.substr(0, slash));
        if (!root) fail("unknown registry root in " + text);
        const std::string rest =
            slash == std::string::npos ? "" : normalKeyPath(path.substr(slash));
        const std::string key = rest.empty() ? *root : *root + "\\" + rest;
        if (remove) {
            for (auto it = out_.keys_.lower_bound(key); it != out_.keys_.end();) {
                if (it->first != key && it->first.compare(0, key.size() + 1, key + "\\") != 0)
                    break;
                it = out_.keys_.erase(it);
            }
            current_.reset();
            inSection_ = true;
            return;
        }
        // Every key on the way exists too, as in the registry.
        for (auto pos = key.find('\\'); pos != std::string::npos; pos = key.find('\\', pos + 1))
            out_.keys_[key.substr(0, pos)];
        out_.keys_[key];
        current_ = key;
        inSection_ = true;
    }

    void value(const std::string& text) {
        if (!inSection_) fail("a value line before the first [key]");
        std::size_t pos = 0;
        std::string name;
        if (text[0] == '@')
            pos = 1;
        else
            name = quoted(text, pos);
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
        if (pos >= text.size() || text[pos] != '=') fail("expected \"=\" after the value name");
        const std::string data = trim(text.substr(pos + 1));
        if (!current_) return;  // values of a deleted key are ignored
        auto& values = out_.keys_[*current_];
        if (data == "-") {
            values.erase(asciiLower(name));
            return;
        }
        values[asciiLower(name)] = parseData(data);
    }

    // A "..." string starting at text[pos]; pos ends after the closing quote.
    std::string quoted(const std::string& text, std::size_t& pos) {
        std::string out;
        for (++pos; pos < text.size(); ++pos) {
            const char c = text[pos];
            if (c == '"') {
                ++pos;
                return out;
            }
            if (c == '\\') {
                if (++pos >= text.size() || (text[pos] != '\\' && text[pos] != '"'))
                    fail("only \\\\ and \\\" may follow a backslash in a quoted text");
                out += text[pos];
            } else {
                out += c;
            }
        }
        fail("a quoted text has no closing quote");
    }

    RegFile::Value parseData(const std::string& data) {
        RegFile::Value v;
        if (data[0] == '"') {
            std::size_t pos = 0;
            v.data = quoted(data, pos);
            if (!trim(data.substr(pos)).empty()) fail("text after the closing quote");
            v.type = kRegSz;
            v.quoted = true;
            return v;
        }
        const std::string lowerData = asciiLower(data);
        if (lowerData.compare(0, 6, "dword:") == 0) {
            const std::string digits = trim(data.substr(6));
            if (digits.empty() || digits.size() > 8) fail("a dword needs 1 to 8 hex digits");
            std::uint32_t number = 0;
            for (char c : digits) {
                if (hexDigit(c) < 0) fail("a dword needs 1 to 8 hex digits");
                number = (number << 4) | static_cast<std::uint32_t>(hexDigit(c));
            }
            for (int i = 0; i < 4; ++i) v.data += static_cast<char>((number >> (8 * i)) & 0xFF);
            v.type = kRegDword;
            return v;
        }
        std::size_t colon;
        if (lowerData.compare(0, 4, "hex:") == 0) {
            v.type = kRegBinary;
            colon = 3;
        } else if (lowerData.compare(0, 4, "hex(") == 0) {
            const auto close = lowerData.find("):");
            const std::string type = close == std::string::npos ? "" : data.substr(4, close - 4);
            if (type.empty() || type.size() > 8) fail("expected hex(type): with a hex type");
            for (char c : type) {
                if (hexDigit(c) < 0) fail("expected hex(type): with a hex type");
                v.type = (v.type << 4) | static_cast<unsigned long>(hexDigit(c));
            }
            colon = close + 1;
        } else {
            fail("unknown value data: " + data);
        }
        v.data = hexBytes(data.substr(colon + 1));
        v.wide = version5_;
        return v;
    }

    std::string hexBytes(const std::string& list) {
        std::string bytes;
        if (trim(list).empty()) return bytes;
        std::size_t start = 0;
        for (;;) {
            const auto comma = list.find(',', start);
            const std::string item = trim(list.substr(start, comma - start));
            if (item.empty() && comma == std::string::npos && !bytes.empty()) break;  // "00,"
            if (item.empty() || item.size() > 2 || hexDigit(item[0]) < 0 ||
                (item.size() == 2 && hexDigit(item[1]) < 0))
                fail("bad byte \"" + item + "\" in hex data");
            bytes += static_cast<char>(
                item.size() == 1 ? hexDigit(item[0]) : hexDigit(item[0]) * 16 + hexDigit(item[1]));
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
        return bytes;
    }

    RegFile& out_;
    std::string fileName_;
    bool version5_ = false;
    bool inSection_ = false;
    std::optional<std::string> current_;
    int line_ = 0;
};

RegFile RegFile::parse(const std::string& content, const std::string& fileName) {
    RegFile file;
    RegFileParser(file, fileName).parse(content);
    return file;
}

namespace {

// String data stored as bytes, up to its terminating NUL.
std::string stringFromBytes(const RegFile::Value& v) {
    if (!v.wide) return v.data.substr(0, v.data.find('\0'));
    std::string bytes = v.data;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        if (bytes[i] == '\0' && bytes[i + 1] == '\0') {
            bytes.resize(i);
            break;
        }
    const auto utf8 = utf16leToUtf8(bytes);
    if (!utf8) throw osError(Registry::kCannotReadKey);
    return utf8ToAnsi(*utf8);
}

}  // namespace

RegistryValue RegFile::read(RegistryRoot root, const std::string& keyPath,
                            const std::string& valueName) const {
    const std::string rest = normalKeyPath(ansiToUtf8(keyPath));
    const std::string key = rest.empty() ? rootName(root) : rootName(root) + "\\" + rest;
    const auto k = keys_.find(key);
    if (k == keys_.end()) throw osError(Registry::kKeyNotFound);
    const auto found = k->second.find(asciiLower(ansiToUtf8(valueName)));
    if (found == k->second.end()) throw osError(Registry::kCannotReadKey);
    const Value& v = found->second;
    switch (v.type) {
        case kRegSz:
        case kRegExpandSz:
            return v.quoted ? utf8ToAnsi(v.data) : stringFromBytes(v);
        case kRegDword:
            if (v.quoted || v.data.size() != 4) throw osError(Registry::kCannotReadKey);
            {
                std::uint32_t n = 0;
                for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(v.data[i]);
                return static_cast<std::int32_t>(n);
            }
        case kRegBinary:
            return v.data;
        default:
            throw osError(Registry::kCannotReadKey);
    }
}

}  // namespace velm
