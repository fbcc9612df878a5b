#include "config/value_cipher.h"

#include <cstring>

namespace {

constexpr int kBlockBytes = 8;
constexpr int kBlockHexChars = 2 * kBlockBytes;

// Stored values carry each half of a block least significant byte first.
std::uint32_t readHalf(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

void writeHalf(std::uint32_t half, unsigned char* bytes) {
    bytes[0] = static_cast<unsigned char>(half & 0xFF);
    bytes[1] = static_cast<unsigned char>((half >> 8) & 0xFF);
    bytes[2] = static_cast<unsigned char>((half >> 16) & 0xFF);
    bytes[3] = static_cast<unsigned char>((half >> 24) & 0xFF);
}

// Only the upper-case letters count as hex letters; every other character,
// lower-case letters included, is taken as a decimal digit would be, so that
// stored values read the same as they always have.
unsigned hexCharValue(char c) {
    const unsigned code = static_cast<unsigned char>(c);
    if (code >= 'A' && code <= 'F') {
        return code - 55;
    }
    return (code - 48) & 0xFF;
}

void buildContext(const char* key) {
    blowfishInit(blowfishContext, reinterpret_cast<const unsigned char*>(key),
                 static_cast<int>(std::strlen(key)));
}

}  // namespace

BlowfishContext blowfishContext;

int hexToBytes(const char* text, int count, unsigned char* out) {
    const int bytes = count / 2;
    for (int i = 0; i < bytes; ++i) {
        out[i] = static_cast<unsigned char>(
            (16 * hexCharValue(text[2 * i]) + hexCharValue(text[2 * i + 1])) & 0xFF);
    }
    return bytes;
}

int decryptValue(const char* hex, char* out, std::size_t outSize, const char* key) {
    buildContext(key);

    // Only whole groups of 16 characters are decrypted: the characters that
    // would complete a partial last group do not exist, so it contributes no
    // bytes (an entry with nothing after its key delivers a lone newline and
    // thus reads as an empty setting). A group whose 8 bytes and the closing
    // NUL would not fit the output ends the text there.
    const std::size_t length = std::strlen(hex);
    std::size_t written = 0;
    for (std::size_t i = 0; i + kBlockHexChars <= length; i += kBlockHexChars) {
        if (written + kBlockBytes + 1 > outSize) {
            break;
        }
        unsigned char block[kBlockBytes];
        hexToBytes(hex + i, kBlockHexChars, block);
        std::uint32_t left = readHalf(block);
        std::uint32_t right = readHalf(block + 4);
        blowfishDecrypt(blowfishContext, left, right);
        writeHalf(left, reinterpret_cast<unsigned char*>(out) + written);
        writeHalf(right, reinterpret_cast<unsigned char*>(out) + written + 4);
        written += kBlockBytes;
    }
    if (outSize > 0) {
        out[written] = '\0';
    }

    blowfishClear(blowfishContext);
    return 1;
}

bool encryptValue(const char* text, char* hexOut, std::size_t hexOutSize, const char* key) {
    static const char kDigits[] = "0123456789ABCDEF";

    const std::size_t length = std::strlen(text);
    const std::size_t blocks = (length + kBlockBytes - 1) / kBlockBytes;
    if (hexOutSize < blocks * kBlockHexChars + 1) {
        if (hexOutSize > 0) {
            hexOut[0] = '\0';
        }
        return false;
    }

    buildContext(key);
    std::size_t pos = 0;
    for (std::size_t b = 0; b < blocks; ++b) {
        unsigned char block[kBlockBytes] = {};
        for (std::size_t k = 0; k < kBlockBytes && b * kBlockBytes + k < length; ++k) {
            block[k] = static_cast<unsigned char>(text[b * kBlockBytes + k]);
        }
        std::uint32_t left = readHalf(block);
        std::uint32_t right = readHalf(block + 4);
        blowfishEncrypt(blowfishContext, left, right);
        writeHalf(left, block);
        writeHalf(right, block + 4);
        for (unsigned char byte : block) {
            hexOut[pos++] = kDigits[byte >> 4];
            hexOut[pos++] = kDigits[byte & 0x0F];
        }
    }
    hexOut[pos] = '\0';
    blowfishClear(blowfishContext);
    return true;
}
