// Configuration values are stored as upper-case hex text of Blowfish blocks
// whose halves are read little-endian.
#pragma once

#include <cstddef>

#include "config/blowfish.h"

constexpr const char* kConfigKey = "WALDRUP";

// The one working context; holds key material only while a value is
// decrypted or encrypted, and nothing but zeros between calls.
extern BlowfishContext blowfishContext;

// Turns count characters into count/2 bytes; never rejects a character.
int hexToBytes(const char* text, int count, unsigned char* out);

// Decrypts hex text into out (capacity outSize, always terminated).
// Always returns 1.
int decryptValue(const char* hex, char* out, std::size_t outSize, const char* key);

// The inverse: text padded with NUL to a multiple of 8 bytes, encrypted,
// written as upper-case hex. Returns false when hexOut is too small.
bool encryptValue(const char* text, char* hexOut, std::size_t hexOutSize, const char* key);
