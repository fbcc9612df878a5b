// Finds one entry of the configuration file and hands back its fields.
//
// The file is a sequence of line pairs: a section line (";section;") and an
// entry line ("number;key;hex value"). A pair answers a request when its
// section, its key or its number equals the requested one, so a file that
// serves the connection settings gives every pair a real section and a
// non-zero number and is searched by key alone.
#include "config/ini_reader.h"

#include <climits>
#include <cstring>

#include "config/value_cipher.h"
#include "platform/platform.h"

std::int32_t iniNumber = 0;
char iniSection[widths::kIniField];
char iniKey[widths::kIniField];
char iniValue[widths::kIniField];

namespace {

constexpr int kNumberTextChars = static_cast<int>(widths::kIniNumberText) - 1;

// An entry line without any ';' has no number text at all. Reading that as 0
// would make the pair answer every request the connection setup makes (it
// always asks for number 0), so such a line gets a number no request uses.
constexpr std::int32_t kNoNumber = INT32_MIN;

void clearResults() {
    iniNumber = 0;
    iniSection[0] = '\0';
    iniKey[0] = '\0';
    iniValue[0] = '\0';
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Leading white space, an optional sign, then digits up to the first other
// character; no digits give 0. Out-of-range numbers stop at the int32 limits.
std::int32_t readNumber(const char* text) {
    while (isSpace(*text)) {
        ++text;
    }
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > static_cast<long long>(INT32_MAX) + 1) {
            value = static_cast<long long>(INT32_MAX) + 1;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT32_MAX) {
        return INT32_MAX;
    }
    if (value < INT32_MIN) {
        return INT32_MIN;
    }
    return static_cast<std::int32_t>(value);
}

std::int32_t entryNumber(const char* entryLine, int firstSemicolon) {
    if (firstSemicolon < 0) {
        return kNoNumber;
    }
    // Longer number texts are cut: the buffer holds 11 characters.
    char numberText[widths::kIniNumberText];
    const int chars = firstSemicolon < kNumberTextChars ? firstSemicolon : kNumberTextChars;
    std::memcpy(numberText, entryLine, static_cast<std::size_t>(chars));
    numberText[chars] = '\0';
    return readNumber(numberText);
}

int firstNewline(const char* text) {
    const char* newline = std::strchr(text, '\n');
    return newline != nullptr ? static_cast<int>(newline - text) : -1;
}

bool sameText(const char* requested, const char* field) {
    return requested != nullptr && std::strcmp(requested, field) == 0;
}

// Cuts the fields of one pair into the result globals. Fields longer than
// the 200 characters of a result are cut by copySubstring.
void cutFields(const char* sectionLine, const char* entryLine) {
    const int p1 = findNthChar(sectionLine, ';', 1);
    const int p2 = findNthChar(sectionLine, ';', 2);
    const int q1 = findNthChar(entryLine, ';', 1);
    const int q2 = findNthChar(entryLine, ';', 2);

    copySubstring(sectionLine, p1 + 1, p2 - p1 - 1, iniSection, sizeof iniSection);
    iniNumber = entryNumber(entryLine, q1);
    copySubstring(entryLine, q1 + 1, q2 - q1 - 1, iniKey, sizeof iniKey);

    // Without a newline (last line unterminated, or cut by the buffer) the
    // length comes out negative and the value stays empty.
    int valueLength = 0;
    if (q2 >= 0) {
        valueLength = firstNewline(entryLine) - q2 - 1;
    }
    copySubstring(entryLine, q2 + 1, valueLength, iniValue, sizeof iniValue);
}

void decryptResultValue() {
    char plain[widths::kIniField];
    decryptValue(iniValue, plain, sizeof plain, kConfigKey);
    copySubstring(plain, 0, 0, iniValue, sizeof iniValue);
}

}  // namespace

void readIniValue(const char* section, const char* key, std::int32_t number, const char* path) {
    clearResults();

    PlatformFilePtr file(platformOpen(path, FileMode::ReadText));
    if (!file) {
        return;
    }

    char sectionLine[widths::kIniSectionLine];
    char entryLine[widths::kIniEntryLine];
    for (;;) {
        // A line longer than its buffer is read in pieces: the rest of it
        // becomes the next line and the pairs after it shift by one.
        sectionLine[0] = '\0';
        platformGets(sectionLine, static_cast<int>(sizeof sectionLine), file.get());
        if (platformGets(entryLine, static_cast<int>(sizeof entryLine), file.get()) == nullptr) {
            return;
        }

        cutFields(sectionLine, entryLine);
        if (sameText(section, iniSection) || sameText(key, iniKey) || iniNumber == number) {
            decryptResultValue();
            return;
        }
        clearResults();
    }
}
