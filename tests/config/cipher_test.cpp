#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "config/blowfish.h"
#include "config/value_cipher.h"

namespace {

std::vector<unsigned char> fromHex(const std::string& hex) {
    std::vector<unsigned char> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<unsigned char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

std::uint32_t bigEndian(const unsigned char* b) {
    return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) |
           std::uint32_t{b[3]};
}

std::string encrypted(const std::string& text) {
    char hex[512];
    EXPECT_TRUE(encryptValue(text.c_str(), hex, sizeof hex, kConfigKey));
    return hex;
}

std::string decrypted(const std::string& hex) {
    char text[512];
    EXPECT_EQ(decryptValue(hex.c_str(), text, sizeof text, kConfigKey), 1);
    return text;
}

bool contextIsZero() {
    for (std::uint32_t word : blowfishContext.P) {
        if (word != 0) return false;
    }
    for (const auto& box : blowfishContext.S) {
        for (std::uint32_t word : box) {
            if (word != 0) return false;
        }
    }
    return true;
}

// Published vectors, read big-endian as they are published. The 1- and
// 7-byte keys exercise the cycling of short keys (the stored values use a
// 7-byte key).
TEST(Blowfish, PublishedVectors) {
    struct Vector {
        const char* key;
        const char* plain;
        const char* cipher;
    };
    const Vector vectors[] = {
        {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
        {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
        {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
        {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
        {"F0", "FEDCBA9876543210", "F9AD597C49DB005E"},
        {"F0E1D2C3B4A596", "FEDCBA9876543210", "8BB77032F960629D"},
    };
    for (const Vector& v : vectors) {
        SCOPED_TRACE(v.key);
        const auto key = fromHex(v.key);
        const auto plain = fromHex(v.plain);
        const auto cipher = fromHex(v.cipher);
        BlowfishContext context;
        blowfishInit(context, key.data(), static_cast<int>(key.size()));

        std::uint32_t left = bigEndian(plain.data());
        std::uint32_t right = bigEndian(plain.data() + 4);
        blowfishEncrypt(context, left, right);
        EXPECT_EQ(left, bigEndian(cipher.data()));
        EXPECT_EQ(right, bigEndian(cipher.data() + 4));

        blowfishDecrypt(context, left, right);
        EXPECT_EQ(left, bigEndian(plain.data()));
        EXPECT_EQ(right, bigEndian(plain.data() + 4));
    }
}

TEST(Blowfish, ClearZeroesEveryWord) {
    const unsigned char key[] = {'k', 'e', 'y'};
    BlowfishContext context;
    blowfishInit(context, key, 3);
    blowfishClear(context);
    const BlowfishContext zero{};
    EXPECT_EQ(std::memcmp(&context, &zero, sizeof context), 0);
}

// Stored values read each half of a block least significant byte first: the
// text 0123456789ABCDEF is the block with left half 67452301 and right half
// EFCDAB89.
TEST(ValueCipher, HalvesAreReadLittleEndian) {
    BlowfishContext context;
    blowfishInit(context, reinterpret_cast<const unsigned char*>(kConfigKey),
                 static_cast<int>(std::strlen(kConfigKey)));
    std::uint32_t left = 0x67452301;
    std::uint32_t right = 0xEFCDAB89;
    blowfishEncrypt(context, left, right);
    char expectedHex[17];
    std::snprintf(expectedHex, sizeof expectedHex, "%02X%02X%02X%02X%02X%02X%02X%02X",
                  left & 0xFF, (left >> 8) & 0xFF, (left >> 16) & 0xFF, left >> 24,
                  right & 0xFF, (right >> 8) & 0xFF, (right >> 16) & 0xFF, right >> 24);

    const std::string plain = "\x01\x23\x45\x67\x89\xAB\xCD\xEF";
    EXPECT_EQ(encrypted(plain), expectedHex);
    EXPECT_EQ(decrypted(expectedHex), plain);
}

TEST(ValueCipher, RoundTripPadsToWholeBlocksInUpperCaseHex) {
    std::vector<std::string> texts;
    const std::string alphabet = "Abc;xyz 09\xE4!~-=_+#\t";
    for (std::size_t n = 0; n <= 20; ++n) {
        texts.push_back(alphabet.substr(0, n));
    }
    texts.push_back(std::string(96, 'p'));
    for (const std::string& text : texts) {
        SCOPED_TRACE(text.size());
        const std::string hex = encrypted(text);
        EXPECT_EQ(hex.size(), (text.size() + 7) / 8 * 16);
        EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos);
        EXPECT_EQ(decrypted(hex), text);
        // Rebuilt for every value: a second decryption reads the same.
        EXPECT_EQ(decrypted(hex), text);
    }
}

TEST(ValueCipher, EncryptRefusesTooSmallOutput) {
    char hex[16];
    EXPECT_FALSE(encryptValue("12345678", hex, sizeof hex, kConfigKey));
    EXPECT_STREQ(hex, "");
}

TEST(ValueCipher, ContextHoldsOnlyZerosAfterEachCall) {
    char out[64];
    decryptValue("", out, sizeof out, kConfigKey);
    EXPECT_TRUE(contextIsZero());
    encryptValue("secret", out, sizeof out, kConfigKey);
    EXPECT_TRUE(contextIsZero());
    decryptValue(out, out + 32, 32, kConfigKey);
    EXPECT_TRUE(contextIsZero());
}

TEST(ValueCipher, HexToBytesTakesEveryCharacter) {
    struct Case {
        const char* text;
        unsigned char byte;
    };
    // Only A-F are hex letters; others count from '0', modulo 256.
    const Case cases[] = {
        {"00", 0x00}, {"9F", 0x9F}, {"FF", 0xFF},
        {"aa", 0x41},  // a = 49: 16 * 49 + 49
        {"a0", 0x10}, {"0a", 0x31},
        {"G1", 0x71},  // G = 23
        {"\n0", 0xA0},  // newline = 218
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        unsigned char out[2] = {0, 0x5A};
        EXPECT_EQ(hexToBytes(c.text, 2, out), 1);
        EXPECT_EQ(out[0], c.byte);
        EXPECT_EQ(out[1], 0x5A);
    }
    unsigned char out[2] = {0x5A, 0x5A};
    EXPECT_EQ(hexToBytes("123", 3, out), 1);
    EXPECT_EQ(out[0], 0x12);
    EXPECT_EQ(out[1], 0x5A);
}

// A partial last group has no characters to complete it and yields nothing;
// the output never grows past its capacity.
TEST(ValueCipher, DecryptIgnoresPartialGroupAndRespectsCapacity) {
    const std::string one = encrypted("ABCDEFGH");
    const std::string two = encrypted("ABCDEFGHijklmnop");
    struct Case {
        std::string hex;
        std::size_t outSize;
        std::string expected;
    };
    const Case cases[] = {
        {"", 64, ""},
        {"\n", 64, ""},
        {one.substr(0, 15), 64, ""},
        {one + "0", 64, "ABCDEFGH"},
        {one + one.substr(0, 15), 64, "ABCDEFGH"},
        {two, 17, "ABCDEFGHijklmnop"},
        {two, 16, "ABCDEFGH"},
        {two, 9, "ABCDEFGH"},
        {two, 8, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hex + " / " + std::to_string(c.outSize));
        std::vector<char> out(c.outSize + 4, '#');
        EXPECT_EQ(decryptValue(c.hex.c_str(), out.data(), c.outSize, kConfigKey), 1);
        EXPECT_EQ(std::string(out.data()), c.expected);
        for (std::size_t i = c.outSize; i < out.size(); ++i) {
            EXPECT_EQ(out[i], '#') << "written past capacity at " << i;
        }
    }
}

}  // namespace
