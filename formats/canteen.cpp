#include "formats/canteen.h"

#include <cstdio>
#include <cstring>

#include "db/buchungssatz.h"
#include "run/run_log.h"
#include "run/run_state.h"
#include "run/widths.h"

namespace {

// At most count characters of text from position from, within the buffer.
template <std::size_t N>
void copyPart(char (&buffer)[N], const char* text, std::size_t from, std::size_t count) {
    if (std::strlen(text) <= from) return;
    setFieldBytes(buffer, text + from, count);
}

constexpr std::size_t kHourMinuteOffset = 8;  // hhmm behind YYYYMMDD
constexpr std::size_t kHourMinuteChars = 4;

}  // namespace

int bucheKantine(const Buchungssatz& record) {
    char ausweisNr[widths::kCanteenBadge] = {};
    char buchDatum[widths::kCanteenDate] = {};
    char buchZeit[widths::kCanteenTime] = {};
    char kantinenArt[widths::kCanteenArt] = {};
    char bonWert[widths::kCanteenBon] = {};

    copyPart(ausweisNr, record.BewIDN, 0, sizeof ausweisNr - 1);
    copyPart(buchDatum, record.BewDtm, 0, sizeof buchDatum - 1);
    copyPart(buchZeit, record.BewUhr, kHourMinuteOffset, kHourMinuteChars);

    bool bon;
    if (std::strcmp(record.BewSrc, "dta") == 0) {
        setField(kantinenArt, record.BewArt);
        bon = std::strcmp(record.BewEra, "100") == 0;
    } else {
        setField(kantinenArt, "K01");
        bon = record.BewBer[0] == '1';
    }
    setField(bonWert, bon ? "0001" : "0000");

    const std::int32_t status =
        pflegeKantinendaten(ausweisNr, buchDatum, buchZeit, "01", "_K", kantinenArt, bonWert);
    if (status != 0) {
        writeLog(logFilePath, "Kantinendaten konnten nicht eingepflegt werden:");
        logFormatted("SQLFehler: %ld Ausweis: %s  Datum/Uhrzeit: %s %s  Bon: %s!", static_cast<long>(status),
                     ausweisNr, buchDatum, buchZeit, bonWert);
        std::printf("Kantinendaten konnten nicht eingepflegt werden.\n");
        std::printf("SQLFehler: %ld Ausweis: %s  Datum/Uhrzeit: %s %s  Bon: %s!\n", static_cast<long>(status),
                    ausweisNr, buchDatum, buchZeit, bonWert);
    }
    return 1;
}
