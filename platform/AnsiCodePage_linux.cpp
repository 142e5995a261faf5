#include <iconv.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <memory>

#include "platform/AnsiCodePage.h"
#include "platform/Errors.h"
#include "platform/Utf8.h"

namespace velm {

namespace {

// Windows maps the five bytes that Windows-1252 leaves undefined to the C1
// controls of the same value; iconv rejects them. We follow Windows, so every
// byte string has a Unicode form and comes back unchanged.
bool isUndefinedIn1252(unsigned char b) {
    return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

constexpr const char* kAnsi = "WINDOWS-1252";
constexpr const char* kUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw Error(std::string("The text conversion from ") + from + " to " + to +
                        " is not available on this system");
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts `in`; at an input sequence iconv cannot take, `onIllegal` gets
    // the rest of the input and the output so far and returns how many input
    // bytes it consumed (or throws).
    template <class OnIllegal>
    std::string run(const char* data, std::size_t size, OnIllegal onIllegal) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string out;
        char* in = const_cast<char*>(data);
        std::size_t inLeft = size;
        char buffer[4096];
        while (inLeft > 0) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t r = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
            const int error = errno;
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (r != static_cast<std::size_t>(-1)) continue;
            if (error == E2BIG) continue;
            const std::size_t used = onIllegal(in, inLeft, out);
            in += used;
            inLeft -= used;
        }
        return out;
    }

private:
    iconv_t cd_;
};

struct Converters {
    Converter ansiToUtf8{"UTF-8", kAnsi};
    Converter utf8ToAnsi{kAnsi, "UTF-8"};
    Converter utf8ToUtf16{kUtf16, "UTF-8"};
    Converter utf16ToUtf8{"UTF-8", kUtf16};
};

// iconv descriptors keep state: one set per thread.
Converters& converters() {
    thread_local Converters c;
    return c;
}

char32_t decodeUtf8(const char* p, std::size_t n) {
    static constexpr unsigned char kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    char32_t c = static_cast<unsigned char>(p[0]) & kLeadMask[n];
    for (std::size_t i = 1; i < n; ++i) c = (c << 6) | (static_cast<unsigned char>(p[i]) & 0x3F);
    return c;
}

}  // namespace

class IconvAnsiCodePage : public AnsiCodePage {
public:
    std::string toUtf8(const std::string& ansi) override {
        return converters().ansiToUtf8.run(
            ansi.data(), ansi.size(), [](const char* p, std::size_t, std::string& out) {
                const auto b = static_cast<unsigned char>(*p);
                if (!isUndefinedIn1252(b))
                    throw Error("The byte " + std::to_string(b) +
                                " has no meaning in the ANSI code page (Windows-1252)");
                out += static_cast<char>(0xC2);
                out += static_cast<char>(b);
                return std::size_t{1};
            });
    }

    std::string fromUtf8(const std::string& utf8) override {
        return converters().utf8ToAnsi.run(
            utf8.data(), utf8.size(), [](const char* p, std::size_t left, std::string& out) {
                const std::size_t n = utf8SequenceLength(p, left);
                if (n == 0) throw Error("The text is not valid UTF-8");
                const char32_t c = decodeUtf8(p, n);
                if (n == 2 && isUndefinedIn1252(static_cast<unsigned char>(c))) {
                    out += static_cast<char>(c);
                    return n;
                }
                if (n == 1 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) ||
                    c < (n == 2   ? 0x80u
                         : n == 3 ? 0x800u
                                  : 0x10000u))
                    throw Error("The text is not valid UTF-8");
                char code[16];
                std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
                throw Error(std::string("The character ") + code +
                            " has no representation in the ANSI code page (Windows-1252)");
            });
    }

    std::u16string toUtf16(const std::string& ansi) override {
        const std::string utf8 = toUtf8(ansi);
        const std::string bytes = converters().utf8ToUtf16.run(
            utf8.data(), utf8.size(), [](const char*, std::size_t, std::string&) -> std::size_t {
                throw Error("The text is not valid UTF-8");
            });
        std::u16string out(bytes.size() / 2, u'\0');
        std::copy(bytes.begin(), bytes.end(), reinterpret_cast<char*>(out.data()));
        return out;
    }

    std::string fromUtf16(const std::u16string& utf16) override {
        const std::string utf8 = converters().utf16ToUtf8.run(
            reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2,
            [](const char*, std::size_t, std::string&) -> std::size_t {
                throw Error("The text is not valid UTF-16 (an unpaired surrogate)");
            });
        return fromUtf8(utf8);
    }
};

template <>
std::unique_ptr<AnsiCodePage> makeSystemService<AnsiCodePage>() {
    return std::make_unique<IconvAnsiCodePage>();
}

}  // namespace velm
