// The configuration reader on arbitrary file contents, asked the way the
// connection setup asks: every result stays terminated within its buffer.
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "config/ini_reader.h"
#include "config/value_cipher.h"
#include "fuzz/fuzz_support.h"

namespace {

fuzz::ScratchFile configFile;

bool contextCleared() {
    const auto* words = reinterpret_cast<const unsigned char*>(&blowfishContext);
    for (std::size_t i = 0; i < sizeof blowfishContext; ++i) {
        if (words[i] != 0) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    configFile.write(data, size);
    for (const char* key : {"LOGIN", "PASS", "NET8"}) {
        readIniValue("", key, 0, configFile.path());
        FUZZ_CHECK(fuzz::terminatedWithin(iniSection), "iniSection not terminated");
        FUZZ_CHECK(fuzz::terminatedWithin(iniKey), "iniKey not terminated");
        FUZZ_CHECK(fuzz::terminatedWithin(iniValue), "iniValue not terminated");
        FUZZ_CHECK(contextCleared(), "key material left in the cipher context");
        // Results survive only for an accepted pair, and a pair is accepted
        // only by an equal section, key or number (an unaccepted one leaves
        // the empty section and number 0, which pass this too).
        FUZZ_CHECK(iniSection[0] == '\0' || std::strcmp(iniKey, key) == 0 || iniNumber == 0,
                   "results of a pair that answers nothing that was asked");
    }
    return 0;
}
