#include "formats/booking_report.h"

#include <cstdio>

#include "run/run_log.h"
#include "run/run_state.h"

namespace {

void logBooking(const BookingTexts& texts) {
    logFormatted("ID: %s, Terminal: %s, Datum: %s, Uhrzeit: %s, Art: %s", texts.id, texts.terminal, texts.date,
                 texts.time, texts.art);
}

}  // namespace

void reportInsertStatus(int status, const BookingTexts& texts, const char* consolePrefix) {
    if (status == 0) return;
    if (status == kDuplicateRow) {
        logFormatted("ID %s: Buchungssatz existiert bereits", texts.id);
        logBooking(texts);
        if (debugMode) std::printf("   ID %s: Buchungssatz existiert bereits\n", texts.id);
        return;
    }
    logFormatted("\nInsert-Fehler: %d", status);
    logBooking(texts);
    std::printf("%sID %s: Insert-Fehler: %d\n", consolePrefix, texts.id, status);
}
