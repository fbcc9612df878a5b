// What the importers tell the run log and the console about a booking whose
// insert did not succeed.
#pragma once

struct Buchungssatz;

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

// Inserts a booking and reports the outcome: a duplicate gives two log lines
// and, in debug mode, a console line; any other failure two log lines and a
// console line (led by consolePrefix) in every mode; the first status other than 0
// and a duplicate is kept in firstFailure. Returns the insert status.
int insertAndReport(const Buchungssatz& record, const BookingTexts& texts, const char* consolePrefix,
                    int& firstFailure);

// The same for the fixed-width importers, whose reports name the record's
// values; runStatus follows the insert, back to 0 after a duplicate.
void insertFixedWidthBooking(const Buchungssatz& record, const char* consolePrefix, int& firstFailure);
