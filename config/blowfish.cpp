#include "config/blowfish.h"

#include "config/blowfish_tables.h"

namespace {

constexpr int kRounds = 16;

std::uint32_t roundFunction(const BlowfishContext& context, std::uint32_t x) {
    const std::uint32_t a = (x >> 24) & 0xFF;
    const std::uint32_t b = (x >> 16) & 0xFF;
    const std::uint32_t c = (x >> 8) & 0xFF;
    const std::uint32_t d = x & 0xFF;
    return ((context.S[0][a] + context.S[1][b]) ^ context.S[2][c]) + context.S[3][d];
}

}  // namespace

void blowfishInit(BlowfishContext& context, const unsigned char* key, int keyLength) {
    for (int box = 0; box < 4; ++box) {
        for (int i = 0; i < 256; ++i) {
            context.S[box][i] = kBlowfishInitS[box][i];
        }
    }

    // An empty key leaves the P-array as it starts; there are no bytes to cycle.
    int next = 0;
    for (int i = 0; i < kRounds + 2; ++i) {
        std::uint32_t word = 0;
        if (keyLength > 0) {
            for (int k = 0; k < 4; ++k) {
                word = (word << 8) | key[next];
                next = (next + 1) % keyLength;
            }
        }
        context.P[i] = kBlowfishInitP[i] ^ word;
    }

    std::uint32_t left = 0;
    std::uint32_t right = 0;
    for (int i = 0; i < kRounds + 2; i += 2) {
        blowfishEncrypt(context, left, right);
        context.P[i] = left;
        context.P[i + 1] = right;
    }
    for (int box = 0; box < 4; ++box) {
        for (int i = 0; i < 256; i += 2) {
            blowfishEncrypt(context, left, right);
            context.S[box][i] = left;
            context.S[box][i + 1] = right;
        }
    }
}

void blowfishEncrypt(const BlowfishContext& context, std::uint32_t& left, std::uint32_t& right) {
    std::uint32_t l = left;
    std::uint32_t r = right;
    for (int i = 0; i < kRounds; ++i) {
        l ^= context.P[i];
        r ^= roundFunction(context, l);
        const std::uint32_t swap = l;
        l = r;
        r = swap;
    }
    // Undo the last swap, then whiten.
    const std::uint32_t swap = l;
    l = r;
    r = swap;
    r ^= context.P[kRounds];
    l ^= context.P[kRounds + 1];
    left = l;
    right = r;
}

void blowfishDecrypt(const BlowfishContext& context, std::uint32_t& left, std::uint32_t& right) {
    std::uint32_t l = left;
    std::uint32_t r = right;
    for (int i = kRounds + 1; i > 1; --i) {
        l ^= context.P[i];
        r ^= roundFunction(context, l);
        const std::uint32_t swap = l;
        l = r;
        r = swap;
    }
    const std::uint32_t swap = l;
    l = r;
    r = swap;
    r ^= context.P[1];
    l ^= context.P[0];
    left = l;
    right = r;
}

void blowfishClear(BlowfishContext& context) {
    // Through a volatile pointer, so that clearing key material is never
    // dropped as a dead store.
    volatile std::uint32_t* word = context.P;
    for (int i = 0; i < kRounds + 2; ++i) {
        word[i] = 0;
    }
    for (int box = 0; box < 4; ++box) {
        word = context.S[box];
        for (int i = 0; i < 256; ++i) {
            word[i] = 0;
        }
    }
}
