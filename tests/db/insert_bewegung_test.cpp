#include "db/insert_bewegung.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "db/buchungssatz.h"
#include "db/db_session.h"
#include "tests/db/db_fixture.h"

namespace {

template <std::size_t N>
std::string fillField(char (&field)[N], char c) {
    std::memset(field, c, N - 1);
    field[N - 1] = '\0';
    return std::string(N - 1, c);
}

}  // namespace

TEST_F(DbTest, ClearedRecordGivesEmptyTextsNullCostCentreAndZeroStatus) {
    Buchungssatz record;
    std::memset(&record, 'x', sizeof record);
    clearBuchungssatz(record);
    ASSERT_EQ(insertBewegung(record), 0);
    ASSERT_EQ(dbCommit(), 0);

    DbRow expected(19, DbValue(""));
    expected[5] = std::nullopt;  // BewKst
    expected[15] = "0";          // BewSta
    ASSERT_EQ(db.bookings().size(), 1u);
    EXPECT_EQ(db.bookings()[0], expected);
}

TEST_F(DbTest, FullRecordGivesTheStatementAndTheRow) {
    Buchungssatz record;
    clearBuchungssatz(record);
    setField(record.BewSch, "S");
    setField(record.BewTID, "T1");
    setField(record.BewLID, "3");
    setField(record.BewIDN, "815");
    setField(record.BewSto, "12");
    setField(record.BewKst, "K12");
    setField(record.BewDtm, "20240102000000");
    setField(record.BewUhr, "20240102081500");
    setField(record.BewLfn, "7");
    setField(record.BewArt, "K05");
    setField(record.BewTas, "1");
    setField(record.BewEra, "000");
    setField(record.BewKze, "k");
    setField(record.BewBer, "b");
    setField(record.BewErq, "q");
    record.BewSta = -1;
    setField(record.BewQua, "Q");
    setField(record.BewSrc, "dta");
    setField(record.BewRes, "08-16");

    ASSERT_EQ(insertBewegung(record), 0);
    EXPECT_STREQ(sqlBuffer,
                 "INSERT INTO Korbanix.Kbx321Bew  (BewSch, BewTID, BewLID,   BewIDN, BewSto, BewKst,   BewDtm, "
                 "BewUhr,   BewLfn, BewArt, BewTas,   BewEra, BewKze, BewBer,   BewErq, BewSta,  BewQua, BewSrc, "
                 "BewRes)  VALUES ( 'S', 'T1', '3',  '815', '12', 'K12',  '20240102000000', '20240102081500',  '7', "
                 "'K05', '1',  '000', 'k', 'b',  'q',  -1,  'Q', 'dta', '08-16' )");
    ASSERT_EQ(dbCommit(), 0);
    ASSERT_EQ(db.bookings().size(), 1u);
    EXPECT_EQ(db.bookings()[0],
              (DbRow{"S", "T1", "3", "815", "12", "K12", "20240102000000", "20240102081500", "7", "K05", "1",
                     "000", "k", "b", "q", "-1", "Q", "dta", "08-16"}));
}

TEST_F(DbTest, QuotesBackslashesAndSingleByteLettersAreStoredAsRead) {
    const std::string badges[] = {"O'Brien", "C:\\dir\\", "M\xE4" "ller", "\"'\\'", "a\r\nb"};
    Buchungssatz record;
    for (const std::string& badge : badges) {
        clearBuchungssatz(record);
        setField(record.BewIDN, badge.c_str());
        setField(record.BewKst, badge.c_str());
        EXPECT_EQ(insertBewegung(record), 0) << badge;
    }
    ASSERT_EQ(dbCommit(), 0);
    const auto rows = db.bookings();
    ASSERT_EQ(rows.size(), std::size(badges));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i][3], badges[i]);
        EXPECT_EQ(rows[i][5], badges[i]);
    }
}

// Every field full and made of quotes, so that escaping doubles all of it:
// the largest statement a record can give still fits sqlBuffer.
TEST_F(DbTest, LargestRecordFitsTheStatementBuffer) {
    Buchungssatz record;
    clearBuchungssatz(record);
    const DbRow expected{
        fillField(record.BewSch, '\''), fillField(record.BewTID, '\''), fillField(record.BewLID, '\''),
        fillField(record.BewIDN, '\''), fillField(record.BewSto, '\''), fillField(record.BewKst, '\''),
        fillField(record.BewDtm, '\''), fillField(record.BewUhr, '\''), fillField(record.BewLfn, '\''),
        fillField(record.BewArt, '\''), fillField(record.BewTas, '\''), fillField(record.BewEra, '\''),
        fillField(record.BewKze, '\''), fillField(record.BewBer, '\''), fillField(record.BewErq, '\''),
        "-32768",                       fillField(record.BewQua, '\''), fillField(record.BewSrc, '\''),
        fillField(record.BewRes, '\'')};
    record.BewSta = INT16_MIN;

    ASSERT_EQ(insertBewegung(record), 0);
    EXPECT_LT(std::strlen(sqlBuffer), widths::kSqlBuffer);
    ASSERT_EQ(dbCommit(), 0);
    ASSERT_EQ(db.bookings().size(), 1u);
    EXPECT_EQ(db.bookings()[0], expected);
}
