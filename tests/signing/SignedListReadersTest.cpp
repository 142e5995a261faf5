#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "signing/Base64.h"
#include "signing/MinisignPublicKey.h"
#include "signing/MinisignSignature.h"
#include "signing/Sha256Sums.h"
#include "signing/SignedListError.h"
#include "signing/TrustedTimestamp.h"

namespace velm {
namespace {

const std::string kHexA = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";
const std::string kHexB = "60303AE22B998861BCE3B28F33EEC1BE758A213C86C93C076DBE9F558C11C752";

std::optional<SignedListFailure> failureOf(auto read) {
    try {
        read();
    } catch (const SignedListError& e) {
        return e.failure();
    }
    return std::nullopt;
}

TEST(Sha256Sums, ReadsWhatSha256sumWrites) {
    struct Row {
        std::string text;
        std::vector<std::pair<std::string, std::string>> named;  // name, lower-case hex
        const char* reason;
    };
    const std::string a = kHexA, b = kHexB;
    const std::string bLower = "60303ae22b998861bce3b28f33eec1be758a213c86c93c076dbe9f558c11c752";
    const std::vector<Row> rows = {
        {a + "  app.exe\n", {{"app.exe", a}}, "text mode"},
        {a + " *app.exe\n", {{"app.exe", a}}, "binary mode marker"},
        {a + "  app.exe\r\n" + b + "  b.dll\r\n", {{"app.exe", a}, {"b.dll", bLower}}, "CR LF"},
        {b + "  b.dll", {{"b.dll", bLower}}, "upper-case hex, no final line end"},
        {a + "  Manual da Loja.pdf\n", {{"Manual da Loja.pdf", a}}, "blanks inside a name"},
        {a + "   lead.txt\n", {{" lead.txt", a}}, "a name beginning with a blank keeps it"},
        {a + " * star\n", {{" star", a}}, "a blank after the marker is the name's"},
        {"\\" + a + "  dir\\\\name\\nline\n", {{"dir\\name\nline", a}}, "escaped name"},
        {"", {}, "an empty list names nothing"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        const Sha256Sums sums = Sha256Sums::read(row.text);
        EXPECT_EQ(sums.size(), row.named.size());
        for (const auto& [name, hex] : row.named) {
            const Sha256Digest* digest = sums.find(name);
            ASSERT_NE(digest, nullptr) << name;
            EXPECT_EQ(hexDigest(*digest), hex);
        }
    }
}

TEST(Sha256Sums, RefusesLinesSha256sumDoesNotWrite) {
    const std::string a = kHexA;
    const std::vector<std::pair<std::string, const char*>> rows = {
        {a.substr(1) + "  app.exe\n", "63 digits"},
        {a + "0  app.exe\n", "65 digits"},
        {"g" + a.substr(1) + "  app.exe\n", "not hex"},
        {a + " app.exe\n", "one blank and no marker"},
        {a + "\tapp.exe\n", "a tab for the blanks"},
        {a + "  \n", "no name"},
        {a + "  a\n\n", "an empty line"},
        {"\\" + a + "  a\\x\n", "an escape sha256sum never writes"},
        {"\\" + a + "  a\\\n", "a lone backslash at the end"},
        {a + "  a.exe\n" + a + " *a.exe\n", "a name listed twice"},
        {"SHA256 (a.exe) = " + a + "\n", "the BSD form"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(failureOf([&] { Sha256Sums::read(row.first); }), SignedListFailure::BadList)
            << row.second;
    // Names differing in case are two names, as the listing's are.
    EXPECT_EQ(Sha256Sums::read(a + "  a.exe\n" + a + "  A.EXE\n").size(), 2u);
}

TEST(Base64, DecodesOnlyStrictBase64) {
    EXPECT_EQ(decodeBase64(""), "");
    EXPECT_EQ(decodeBase64("Zg=="), "f");
    EXPECT_EQ(decodeBase64("Zm8="), "fo");
    EXPECT_EQ(decodeBase64("Zm9v"), "foo");
    EXPECT_EQ(decodeBase64("+/+/"), std::string("\xFB\xFF\xBF"));
    for (const char* bad : {"Zg=", "Zg", "Z===", "Zh==", "Zm9=v", "Zm 9v", "Zm9v\n", "Zm-_"})
        EXPECT_EQ(decodeBase64(bad), std::nullopt) << bad;
}

TEST(TrustedTimestamp, ReadsTheFieldTheKeyToolWrites) {
    const std::vector<std::pair<const char*, std::optional<std::uint64_t>>> rows = {
        {"timestamp:1796964131\tfile:SHA256SUMS\thashed", 1796964131},
        {"timestamp:1796964131\tfile:SHA256SUMS", 1796964131},
        {"release 7\ttimestamp:42", 42},
        {"timestamp:0", 0},
        {"timestamp:18446744073709551615", 18446744073709551615ull},
        {"timestamp:18446744073709551616", std::nullopt},
        {"timestamp:", std::nullopt},
        {"timestamp:12x\tfile:a", std::nullopt},
        {"timestamp:-1", std::nullopt},
        {"file:timestamp:5", std::nullopt},
        {"my timestamp:5", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [comment, stamp] : rows) EXPECT_EQ(trustedTimestamp(comment), stamp) << comment;
    EXPECT_EQ(timestampLogText(1796964131), "2026-12-11T04:42:11Z");
    EXPECT_EQ(timestampDisplayText(951782400), "29/02/2000 00:00:00 UTC");
}

// Key and signature lines of made-up bytes (the fixtures verify real ones;
// these rows test the reading): the algorithm, key id 01..08, then the key
// or signature bytes.
std::string encodeBase64(const std::string& bytes) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        unsigned chunk = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) chunk |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) chunk |= static_cast<unsigned char>(bytes[i + 2]);
        const std::size_t present = std::min<std::size_t>(3, bytes.size() - i);
        for (std::size_t k = 0; k < 4; ++k)
            text += k <= present ? kAlphabet[(chunk >> (18 - 6 * k)) & 63] : '=';
    }
    return text;
}

const std::string kKeyId("\x01\x02\x03\x04\x05\x06\x07\x08", 8);
const std::string kPublicKeyLine = encodeBase64("Ed" + kKeyId + std::string(32, '\x11'));
const std::string kSignatureLine = encodeBase64("ED" + kKeyId + std::string(64, '\x22'));
const std::string kGlobalLine = encodeBase64(std::string(64, '\x33'));

TEST(MinisignFiles, ReadTheKeyAndSignatureFiles) {
    ASSERT_EQ(encodeBase64("fo"), "Zm8=");
    const std::string pub = "untrusted comment: minisign public key 807060504030201\n" +
                            kPublicKeyLine + "\n";
    const MinisignPublicKey key = readMinisignPublicKey(pub);
    EXPECT_EQ(keyIdText(key.keyId), "807060504030201");  // last byte first, no leading zero
    EXPECT_EQ(key.key[31], 0x11);
    std::string crlf = pub;
    crlf.insert(crlf.find('\n'), "\r");
    EXPECT_EQ(keyIdText(readMinisignPublicKey(crlf + "\r\n").keyId), "807060504030201");

    const std::string sig = "untrusted comment: signature\n" + kSignatureLine +
                            "\ntrusted comment: timestamp:1796964131\tfile:f\thashed\n" +
                            kGlobalLine + "\n";
    const MinisignSignature parts = readMinisignSignature(sig);
    EXPECT_TRUE(parts.prehashed);
    EXPECT_EQ(keyIdText(parts.keyId), "807060504030201");
    EXPECT_EQ(parts.signature[63], 0x22);
    EXPECT_EQ(parts.trustedComment, "timestamp:1796964131\tfile:f\thashed");
    EXPECT_EQ(parts.globalSignature[0], 0x33);
    std::string legacy = sig;
    legacy.replace(legacy.find(kSignatureLine), kSignatureLine.size(),
                   encodeBase64("Ed" + kKeyId + std::string(64, '\x22')));
    EXPECT_FALSE(readMinisignSignature(legacy).prehashed);

    const std::vector<std::pair<std::string, const char*>> badKeys = {
        {kPublicKeyLine + "\n", "the comment line missing"},
        {"untrusted comment: k\n" + encodeBase64("EB" + kKeyId + std::string(32, '\x11')) + "\n",
         "an unknown algorithm"},
        {"untrusted comment: k\n" + kPublicKeyLine.substr(4) + "\n", "cut short"},
        {"untrusted comment: k\n" + kSignatureLine + "\n", "a signature line"},
        {"untrusted comment: k\n" + kPublicKeyLine + "\nextra\n", "a third line"},
        {"", "empty"},
        {pub + std::string(5000, '\n'), "a key file past 4 KiB, however blank"},
    };
    for (const auto& row : badKeys)
        EXPECT_EQ(failureOf([&] { readMinisignPublicKey(row.first); }),
                  SignedListFailure::BadPublicKey)
            << row.second;

    const std::vector<std::pair<std::string, const char*>> badSignatures = {
        {sig.substr(0, sig.rfind(kGlobalLine)), "three lines"},
        {"untrusted comment: s\n" + kPublicKeyLine +
             "\ntrusted comment: t\n" + kGlobalLine + "\n",
         "a key line for the signature"},
        {"untrusted comment: s\n" + kSignatureLine + "\ncomment: t\n" +
             kGlobalLine + "\n",
         "no trusted comment prefix"},
        {"untrusted comment: s\n" + kSignatureLine + "\ntrusted comment: t\n" +
             kPublicKeyLine + "\n",
         "a global signature of 42 bytes"},
        {"untrusted comment: s\n" + kSignatureLine + "\ntrusted comment: t\n" +
             kGlobalLine + "\nfifth\n",
         "five lines"},
    };
    for (const auto& row : badSignatures)
        EXPECT_EQ(failureOf([&] { readMinisignSignature(row.first); }),
                  SignedListFailure::BadSignatureFile)
            << row.second;
}

}  // namespace
}  // namespace velm
