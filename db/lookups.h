// Master-data lookups. Each returns 0 (row found), 1032 (no row), -1, or the
// server's error number; on every status but 0 the output is untouched.
#pragma once

#include <cstdint>

struct Buchungssatz;

// costCentre holds widths::kCostCentre bytes; a longer value is cut to 30.
int getKidKst(std::int32_t number, char* costCentre, const char* terminal);
int getTtaFcd(Buchungssatz& record, std::int32_t functionKey);
int getTtaAps(const char* terminal, std::int32_t& functionKey);
int getZlsKst(const char* terminal, std::int32_t reader, char* costCentre);
