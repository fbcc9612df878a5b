// Writes one booking as one row of the bookings table.
#include "db/insert_bewegung.h"

#include <cstdio>

#include "db/buchungssatz.h"
#include "db/db_session.h"

namespace {

// One record field, escaped for use between single quotes. The field is
// read no further than its width, so a field that lost its NUL is stored
// cut rather than read past its end.
template <std::size_t N>
struct EscapedField {
    char text[2 * (N - 1) + 1];

    explicit EscapedField(const char (&field)[N]) {
        char plain[N];
        setFieldBytes(plain, field, N - 1);
        sqlEscape(plain, text, sizeof text);
    }
};

}  // namespace

int insertBewegung(const Buchungssatz& record) {
    // An empty cost centre becomes SQL NULL, written without quotes.
    char costCentre[2 * (widths::kBewKst - 1) + 3] = "NULL";
    if (record.BewKst[0] != '\0') {
        std::snprintf(costCentre, sizeof costCentre, "'%s'", EscapedField<widths::kBewKst>(record.BewKst).text);
    }

    // The largest statement any record can give: the 285 characters of the
    // format text around its values, every character field full and made
    // of quotes, so that escaping doubles it (582 characters in all, 1164
    // escaped), the cost centre's own two quotes and BewSta as -32768:
    // 285 + 1164 + 2 + 6 = 1457 characters and the NUL, within the 1500 of
    // sqlBuffer. The importers give far less (a dta line holds at most 498
    // characters for all its fields together). sqlFormat still guards it.
    sqlFormat("INSERT INTO Korbanix.Kbx321Bew  (BewSch, BewTID, BewLID,   BewIDN, BewSto, BewKst,   BewDtm, BewUhr,   "
              "BewLfn, BewArt, BewTas,   BewEra, BewKze, BewBer,   BewErq, BewSta,  BewQua, BewSrc, BewRes)  "
              "VALUES ( '%s', '%s', '%s',  '%s', '%s', %s,  '%s', '%s',  '%s', '%s', '%s',  '%s', '%s', '%s',  "
              "'%s',  %ld,  '%s', '%s', '%s' )",
              EscapedField<widths::kBewSch>(record.BewSch).text, EscapedField<widths::kBewTID>(record.BewTID).text,
              EscapedField<widths::kBewLID>(record.BewLID).text, EscapedField<widths::kBewIDN>(record.BewIDN).text,
              EscapedField<widths::kBewSto>(record.BewSto).text, costCentre,
              EscapedField<widths::kBewDtm>(record.BewDtm).text, EscapedField<widths::kBewUhr>(record.BewUhr).text,
              EscapedField<widths::kBewLfn>(record.BewLfn).text, EscapedField<widths::kBewArt>(record.BewArt).text,
              EscapedField<widths::kBewTas>(record.BewTas).text, EscapedField<widths::kBewEra>(record.BewEra).text,
              EscapedField<widths::kBewKze>(record.BewKze).text, EscapedField<widths::kBewBer>(record.BewBer).text,
              EscapedField<widths::kBewErq>(record.BewErq).text, static_cast<long>(record.BewSta),
              EscapedField<widths::kBewQua>(record.BewQua).text, EscapedField<widths::kBewSrc>(record.BewSrc).text,
              EscapedField<widths::kBewRes>(record.BewRes).text);

    DbQuery query;
    query.statement = sqlBuffer;
    return dbExecute(query);
}
