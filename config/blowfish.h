// The published Blowfish block cipher.
#pragma once

#include <cstdint>

struct BlowfishContext {
    std::uint32_t P[18];
    std::uint32_t S[4][256];
};

// Key schedule: key bytes are taken unsigned, cycling over keyLength bytes.
void blowfishInit(BlowfishContext& context, const unsigned char* key, int keyLength);
void blowfishEncrypt(const BlowfishContext& context, std::uint32_t& left, std::uint32_t& right);
void blowfishDecrypt(const BlowfishContext& context, std::uint32_t& left, std::uint32_t& right);
// Sets all 1042 words to zero.
void blowfishClear(BlowfishContext& context);
