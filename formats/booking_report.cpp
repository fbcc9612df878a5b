#include "formats/booking_report.h"

#include <cstdio>

#include "db/buchungssatz.h"
#include "db/insert_bewegung.h"
#include "run/run_log.h"
#include "run/run_state.h"

namespace {

void logBooking(const BookingTexts& texts) {
    logFormatted("ID: %s, Terminal: %s, Datum: %s, Uhrzeit: %s, Art: %s", texts.id, texts.terminal, texts.date,
                 texts.time, texts.art);
}

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

}  // namespace

int insertAndReport(const Buchungssatz& record, const BookingTexts& texts, const char* consolePrefix,
                    int& firstFailure) {
    const int status = insertBewegung(record);
    reportInsertStatus(status, texts, consolePrefix);
    if (status != 0 && status != kDuplicateRow && firstFailure == 0) firstFailure = status;
    return status;
}

void insertFixedWidthBooking(const Buchungssatz& record, const char* consolePrefix, int& firstFailure) {
    const int status = insertAndReport(
        record, {record.BewIDN, record.BewTID, record.BewDtm, record.BewUhr, record.BewArt}, consolePrefix,
        firstFailure);
    runStatus = status == kDuplicateRow ? 0 : status;
}
