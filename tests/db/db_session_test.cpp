#include <cstring>
#include <string>

#include "db/buchungssatz.h"
#include "db/db_session.h"
#include "db/insert_bewegung.h"
#include "tests/db/db_fixture.h"

namespace {

// A statement of exactly `length` characters that selects one text.
std::string selectOfLength(std::size_t length) {
    return "SELECT '" + std::string(length - 9, 'x') + "'";
}

int execute(DbQuery& query, const std::string& sql) {
    sqlFormat("%s", sql.c_str());
    query.statement = sqlBuffer;
    return dbExecute(query);
}

}  // namespace

TEST_F(DbTest, FetchGivesEachRowOnceAndReleaseWorksOnce) {
    DbQuery query;
    ASSERT_EQ(execute(query, "SELECT 'a'"), 0);
    MYSQL_ROW row = nullptr;
    ASSERT_EQ(dbFetchRow(query, &row), 0);
    EXPECT_STREQ(row[0], "a");

    MYSQL_ROW untouched = reinterpret_cast<MYSQL_ROW>(&query);
    row = untouched;
    EXPECT_EQ(dbFetchRow(query, &row), 1032);
    EXPECT_EQ(dbFetchRow(query, &row), 1032);
    EXPECT_EQ(row, untouched);

    EXPECT_EQ(dbFreeResult(query), 0);
    EXPECT_EQ(dbFreeResult(query), -1);
    EXPECT_EQ(dbFetchRow(query, &row), -1);
    EXPECT_EQ(row, untouched);
}

TEST_F(DbTest, InsertHasNoResultAndASecondOneIsADuplicate) {
    Buchungssatz record;
    clearBuchungssatz(record);
    setField(record.BewIDN, "815");

    DbQuery query;
    sqlFormat("INSERT INTO Korbanix.Kbx321Bew (BewIDN) VALUES ('1')");
    query.statement = sqlBuffer;
    ASSERT_EQ(dbExecute(query), 0);
    EXPECT_EQ(query.result, nullptr);
    MYSQL_ROW row = nullptr;
    EXPECT_EQ(dbFetchRow(query, &row), -1);
    EXPECT_EQ(dbFreeResult(query), -1);

    EXPECT_EQ(dbExecute(query), 1062);
    EXPECT_EQ(query.result, nullptr);
    EXPECT_EQ(insertBewegung(record), 0);
    EXPECT_EQ(insertBewegung(record), 1062);
}

TEST_F(DbTest, StatementMustFitTheBufferWithItsTerminator) {
    DbQuery query;
    ASSERT_EQ(execute(query, selectOfLength(widths::kSqlBuffer - 1)), 0);
    MYSQL_ROW row = nullptr;
    ASSERT_EQ(dbFetchRow(query, &row), 0);
    EXPECT_EQ(std::strlen(row[0]), widths::kSqlBuffer - 10);
    dbFreeResult(query);

    const std::string tooLong = selectOfLength(widths::kSqlBuffer);
    EXPECT_EXIT(sqlFormat("%s", tooLong.c_str()), ::testing::ExitedWithCode(1), "");
}

TEST_F(DbTest, BookingsBecomeVisibleOnlyWithTheCommit) {
    Buchungssatz record;
    clearBuchungssatz(record);
    setField(record.BewIDN, "4711");
    ASSERT_EQ(insertBewegung(record), 0);
    EXPECT_TRUE(db.bookings().empty());
    EXPECT_EQ(dbCommit(), 0);
    EXPECT_EQ(db.bookings().size(), 1u);
}

TEST_F(DbTest, LostConnectionIsNotSilentlyReopened) {
    // Reopening would drop the open transaction and switch autocommit back on.
    db.exec("KILL " + std::to_string(mysql_thread_id(dbConnection)));
    DbQuery query;
    EXPECT_NE(execute(query, "SELECT 1"), 0);
    EXPECT_NE(execute(query, "SELECT 1"), 0);
    EXPECT_NE(dbCommit(), 0);
}

TEST_F(DbTest, WrongPasswordEndsWithTheServersNumberOnTheConsole) {
    tree.writeConfig(testDbUser(), testDbPassword() + "-wrong", "");
    ::testing::internal::CaptureStdout();
    const int status = dbConnect();
    std::fflush(stdout);
    const std::string console = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(status, 1045);
    EXPECT_EQ(console, "Datenbankverbindung fehlgeschlagen, Fehler: 1045\n");
}

// 0...017700000001 is 127.0.0.1 in the resolver's octal notation: a host
// name of any length that reaches the test server without a name service.
// With it as host the connection goes over TCP; ignored, over the socket.
TEST_F(DbTest, Net8IsUsedUpTo41Characters) {
    const std::string loopback = "17700000001";
    struct Case {
        std::string net8;
        const char* route;
    } const cases[] = {
        {"", "socket"},
        {std::string(41 - loopback.size(), '0') + loopback, "TCP/IP"},
        {std::string(42 - loopback.size(), '0') + loopback, "socket"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("NET8 of " + std::to_string(c.net8.size()) + " characters");
        tree.writeConfig(testDbUser(), testDbPassword(), c.net8);
        ASSERT_EQ(dbConnect(), 0);
        EXPECT_NE(std::strstr(mysql_get_host_info(dbConnection), c.route), nullptr)
            << mysql_get_host_info(dbConnection);
    }
}
