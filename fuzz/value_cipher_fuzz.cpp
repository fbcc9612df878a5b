// Value decryption on arbitrary text into an output of exactly the size the
// interface asks for, and the encrypt-decrypt round trip of short settings.
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "config/value_cipher.h"
#include "fuzz/fuzz_support.h"

namespace {

constexpr std::size_t kRoundTripChars = 96;

bool contextCleared() {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&blowfishContext);
    for (std::size_t i = 0; i < sizeof blowfishContext; ++i) {
        if (bytes[i] != 0) return false;
    }
    return true;
}

// 8 bytes for every started group of 16 characters, and the NUL.
std::size_t plainSizeFor(std::size_t hexChars) { return 8 * ((hexChars + 15) / 16) + 1; }

void checkDecrypt(const char* hex) {
    const std::size_t size = plainSizeFor(std::strlen(hex));
    std::unique_ptr<char[]> out(new char[size]);
    std::memset(out.get(), 'x', size);
    FUZZ_CHECK(decryptValue(hex, out.get(), size, kConfigKey) == 1, "decryptValue returns 1");
    FUZZ_CHECK(std::memchr(out.get(), '\0', size) != nullptr, "plain text not terminated");
    FUZZ_CHECK(contextCleared(), "key material left after decryption");
}

void checkRoundTrip(const char* text) {
    const std::size_t length = std::strlen(text);
    const std::size_t hexSize = 16 * ((length + 7) / 8) + 1;
    std::unique_ptr<char[]> hex(new char[hexSize]);
    // One byte short must be refused without writing past the buffer.
    FUZZ_CHECK(!encryptValue(text, hex.get(), hexSize - 1, kConfigKey), "encryption into a too small buffer accepted");
    FUZZ_CHECK(encryptValue(text, hex.get(), hexSize, kConfigKey), "encryption refused");
    FUZZ_CHECK(std::strlen(hex.get()) == hexSize - 1, "hex text of the wrong length");
    for (std::size_t i = 0; i + 1 < hexSize; ++i) {
        const char c = hex[i];
        FUZZ_CHECK((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'), "not upper-case hex");
    }
    FUZZ_CHECK(contextCleared(), "key material left after encryption");

    const std::size_t plainSize = plainSizeFor(hexSize - 1);
    std::unique_ptr<char[]> plain(new char[plainSize]);
    decryptValue(hex.get(), plain.get(), plainSize, kConfigKey);
    FUZZ_CHECK(std::strcmp(plain.get(), text) == 0, "round trip changed the text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    checkDecrypt(text.data());

    const std::size_t length = std::strlen(text.data());
    if (length <= kRoundTripChars) checkRoundTrip(text.data());
    return 0;
}
