// Keyed entries of the configuration file, values decrypted.
#pragma once

#include <cstddef>
#include <cstdint>

#include "run/widths.h"

constexpr const char* kConfigFilePath = "..\\..\\Files\\Vellantra.Ini";

extern std::int32_t iniNumber;
extern char iniSection[widths::kIniField];
extern char iniKey[widths::kIniField];
extern char iniValue[widths::kIniField];

void readIniValue(const char* section, const char* key, std::int32_t number, const char* path);

// 0-based position of the n-th occurrence of c; the last one when there are
// fewer; -1 when there is none.
int findNthChar(const char* text, char c, int n);
// length > 0: that many characters from start; 0: to the end of the text;
// < 0: nothing, destination untouched. Never writes more than destSize bytes.
void copySubstring(const char* source, int start, int length, char* dest, std::size_t destSize);
