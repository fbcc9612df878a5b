// What the importers tell the run log and the console about a booking whose
// insert did not succeed.
#pragma once

// Insert status of a booking that exists already.
constexpr int kDuplicateRow = 1062;

// The values a report names; the dta importer passes its fields as split,
// the fixed-width importers the record's values.
struct BookingTexts {
    const char* id;
    const char* terminal;
    const char* date;
    const char* time;
    const char* art;
};

// A duplicate gives two log lines and, in debug mode, a console line; any
// other non-zero status two log lines and a console line in every mode.
// consolePrefix leads the failure's console line. Nothing for status 0.
void reportInsertStatus(int status, const BookingTexts& texts, const char* consolePrefix);
