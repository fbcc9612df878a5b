#include "formats/record_fill.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "db/buchungssatz.h"
#include "formats/string_list.h"
#include "formats/trim_right.h"
#include "run/widths.h"

namespace {

// Byte layout of the fixed-width records: offset and length of each field.
struct Span {
    std::size_t offset;
    std::size_t length;
};

namespace r62p {
constexpr Span kDay{0, 2}, kMonth{2, 2}, kYear{4, 2}, kTime{6, 6};
constexpr Span kLfn{12, 3}, kReader{15, 2}, kErq{17, 2}, kBadge{19, 13}, kEra{32, 1};
}  // namespace r62p

namespace r50p {
constexpr Span kDay{0, 2}, kMonth{2, 2}, kYear{4, 2}, kTime{6, 6};
constexpr Span kBadge{12, 13}, kCostCentre{25, 7};
}  // namespace r50p

namespace r40p {
constexpr Span kBadge{0, 13}, kDay{13, 2}, kMonth{15, 2}, kYear{17, 2}, kTime{19, 6};
constexpr Span kCode{25, 1}, kReader{26, 2}, kBer{28, 1};
}  // namespace r40p

constexpr const char* kCentury = "20";
constexpr const char* kMidnight = "000000";
constexpr std::size_t kDateChars = 8;

template <std::size_t N>
void copySpan(char (&field)[N], const char* bytes, Span span) {
    setFieldBytes(field, bytes + span.offset, span.length);
}

// Appends at most count bytes, stopping at a NUL, within the field's width.
template <std::size_t N>
void appendBytes(char (&field)[N], const char* bytes, std::size_t count) {
    std::size_t at = std::strlen(field);
    for (std::size_t i = 0; i < count && at + 1 < N && bytes[i] != '\0'; ++i) field[at++] = bytes[i];
    field[at] = '\0';
}

template <std::size_t N>
void appendText(char (&field)[N], const char* text) {
    appendBytes(field, text, std::strlen(text));
}

// An empty badge (nothing, or only padding) is stored as one blank.
void setBadge(Buchungssatz& record, const char* bytes, Span span) {
    copySpan(record.BewIDN, bytes, span);
    trimRight(record.BewIDN);
    if (record.BewIDN[0] == '\0') setField(record.BewIDN, " ");
}

// BewDtm becomes 20YYMMDD000000 and BewUhr 20YYMMDDhhmmss. A date cut short
// by a NUL byte gets no zero time behind it, as a short dta date does not.
void setDateTime(Buchungssatz& record, const char* bytes, Span day, Span month, Span year, Span time) {
    setField(record.BewDtm, kCentury);
    appendBytes(record.BewDtm, bytes + year.offset, year.length);
    appendBytes(record.BewDtm, bytes + month.offset, month.length);
    appendBytes(record.BewDtm, bytes + day.offset, day.length);
    setFieldBytes(record.BewUhr, record.BewDtm, kDateChars);
    appendBytes(record.BewUhr, bytes + time.offset, time.length);
    if (std::strlen(record.BewDtm) == kDateChars) appendText(record.BewDtm, kMidnight);
}

bool startsWith(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// The text behind prefix when text starts with it and goes on; else nullptr.
const char* restAfter(const char* text, const char* prefix) {
    if (!startsWith(text, prefix)) return nullptr;
    const char* rest = text + std::strlen(prefix);
    return *rest != '\0' ? rest : nullptr;
}

bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::int32_t readDecimal(const char* bytes, std::size_t count) {
    std::size_t i = 0;
    while (i < count && isWhiteSpace(bytes[i])) ++i;
    bool negative = false;
    if (i < count && (bytes[i] == '+' || bytes[i] == '-')) negative = bytes[i++] == '-';
    std::int64_t value = 0;
    constexpr std::int64_t kLimit = static_cast<std::int64_t>(INT32_MAX) + 1;
    for (; i < count && bytes[i] >= '0' && bytes[i] <= '9'; ++i) {
        value = value * 10 + (bytes[i] - '0');
        if (value > kLimit) value = kLimit;
    }
    if (negative) return static_cast<std::int32_t>(-value);
    return value > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(value);
}

void setFunctionKey(Buchungssatz& record, std::int32_t functionKey) {
    record.BewTas[0] = '\0';
    if (functionKey == kNoFunctionKey) return;
    char text[widths::kNumberText];
    const int length = std::snprintf(text, sizeof text, "%02d", static_cast<int>(functionKey));
    if (length > 0 && static_cast<std::size_t>(length) < sizeof record.BewTas) setField(record.BewTas, text);
}

void takeRunningNumber(Buchungssatz& record, int& runningNumber) {
    char text[widths::kNumberText];
    std::snprintf(text, sizeof text, "%d", runningNumber);
    setFieldBytes(record.BewLfn, text, widths::kBewLfn - 1);
    runningNumber = runningNumber >= 999 ? 1 : runningNumber + 1;
}

void fill62p(Buchungssatz& record, const char* bytes, const char* terminal) {
    using namespace r62p;
    clearBuchungssatz(record);
    setField(record.BewSrc, "62p");
    setField(record.BewTID, terminal);
    copySpan(record.BewLID, bytes, kReader);
    setDateTime(record, bytes, kDay, kMonth, kYear, kTime);
    copySpan(record.BewLfn, bytes, kLfn);
    copySpan(record.BewErq, bytes, kErq);
    setBadge(record, bytes, kBadge);
    copySpan(record.BewEra, bytes, kEra);
    setField(record.BewSto, "0");
}

std::int32_t fill50p(Buchungssatz& record, const char* bytes, const char* terminal) {
    using namespace r50p;
    clearBuchungssatz(record);
    setField(record.BewSrc, "50p");
    setField(record.BewTID, terminal);
    setBadge(record, bytes, kBadge);
    setDateTime(record, bytes, kDay, kMonth, kYear, kTime);
    setField(record.BewSto, "0");
    return readDecimal(bytes + kCostCentre.offset, kCostCentre.length);
}

std::int32_t functionKeyOf40pCode(unsigned char code) {
    if (code >= '0' && code <= '9') return code - '0';
    if (code >= 'A' && code <= 'G') return 10 + (code - 'A');
    return kNoFunctionKey;
}

Fill40p fill40p(Buchungssatz& record, const char* bytes, const char* terminal) {
    using namespace r40p;
    clearBuchungssatz(record);
    setField(record.BewSrc, "40p");
    setField(record.BewTID, terminal);
    copySpan(record.BewLID, bytes, kReader);
    Fill40p result{};
    result.reader = readDecimal(bytes + kReader.offset, kReader.length);
    setBadge(record, bytes, kBadge);
    setDateTime(record, bytes, kDay, kMonth, kYear, kTime);
    copySpan(record.BewKze, bytes, kCode);
    copySpan(record.BewBer, bytes, kBer);

    result.canteen = record.BewKze[0] == 'K';
    result.functionKey = functionKeyOf40pCode(static_cast<unsigned char>(record.BewKze[0]));
    if (!result.canteen) {
        setFunctionKey(record, result.functionKey);
        setField(record.BewSto, "0");
    }
    return result;
}

FillDta fillDta(Buchungssatz& record, const StringList& fields) {
    const char* const* field = fields.slots;
    clearBuchungssatz(record);
    setField(record.BewTID, field[0]);
    setField(record.BewLID, field[1]);
    setField(record.BewIDN, field[2][0] != '\0' ? field[2] : " ");
    setField(record.BewDtm, field[3]);
    setField(record.BewUhr, field[4]);
    setField(record.BewArt, field[5]);
    setField(record.BewEra, field[6]);
    setField(record.BewSrc, "dta");

    FillDta result{};
    result.reader = readDecimal(field[1], widths::kSplitField);

    // Routing looks at the texts as delivered: a value cut to its field's
    // width must not turn into a canteen code.
    const char* station = restAfter(field[7], "SO=");
    setField(record.BewSto, station != nullptr ? station : "0");
    const char* kind = field[5];
    const bool canteenStation = station != nullptr && (std::strcmp(station, "37136") == 0 || std::strcmp(station, "36292") == 0);
    const bool canteenKind = std::strcmp(kind, "K01") == 0 || std::strcmp(kind, "K02") == 0 || std::strcmp(kind, "K03") == 0;
    result.canteen = canteenStation && canteenKind;

    if (fields.itemCount > 8) {
        if (const char* number = restAfter(field[8], "Kostenstelle=")) {
            result.hasCostCentreNumber = true;
            result.costCentreNumber = readDecimal(number, widths::kSplitField);
        } else if (const char* span = restAfter(field[8], "VonBis=")) {
            setField(record.BewRes, span);
        }
    }

    if (std::strlen(record.BewDtm) >= kDateChars) std::memcpy(record.BewDtm + kDateChars, kMidnight, std::strlen(kMidnight));
    return result;
}
