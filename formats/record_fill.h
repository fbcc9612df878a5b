// Turning one source booking into a Buchungssatz, without any master data.
// The importers add the lookups and the running number; tests and fuzzers
// call these directly.
#pragma once

#include <cstddef>
#include <cstdint>

struct Buchungssatz;
struct StringList;

// A text read as a number the way the C library's decimal conversion does:
// leading white space, an optional sign, digits up to the first other
// character; 0 without digits. Reads at most count bytes and stops at a NUL;
// a value beyond the 32-bit range saturates.
std::int32_t readDecimal(const char* bytes, std::size_t count);

// The function key that stands for "no function key".
constexpr std::int32_t kNoFunctionKey = 99;

// BewTas as "%02d" of the key; empty for kNoFunctionKey and for keys that do
// not fit its two characters.
void setFunctionKey(Buchungssatz& record, std::int32_t functionKey);

// BewLfn from the running number, which then advances (999 is followed by 1).
void takeRunningNumber(Buchungssatz& record, int& runningNumber);

// Each fill clears the record first. The record bytes are exactly one record
// of the format's length and may hold any byte value, NUL included.
void fill62p(Buchungssatz& record, const char* bytes, const char* terminal);

// Returns the cost-centre number of bytes 25-31.
std::int32_t fill50p(Buchungssatz& record, const char* bytes, const char* terminal);

struct Fill40p {
    std::int32_t reader;       // bytes 26-27 read as a number
    std::int32_t functionKey;  // of the code character; kNoFunctionKey when it has none
    bool canteen;              // code "K": BewTas and BewSto stay empty
};
Fill40p fill40p(Buchungssatz& record, const char* bytes, const char* terminal);

// The function key of a 40p code character ('0'-'9', 'A'-'G'), else kNoFunctionKey.
std::int32_t functionKeyOf40pCode(unsigned char code);

struct FillDta {
    std::int32_t reader;           // field 2 read as a number
    bool hasCostCentreNumber;      // field 9 is "Kostenstelle=<something>"
    std::int32_t costCentreNumber;
    bool canteen;                  // routed to the canteen hand-off
};
// fields holds at least 8 items.
FillDta fillDta(Buchungssatz& record, const StringList& fields);
