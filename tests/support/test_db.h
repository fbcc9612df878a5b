// A connection of the tests' own to the test database KORBANIX, beside the
// tool's: autocommit on, latin1 like the tool's, so that bytes such as 0xE4
// arrive as they are. Rows that the tool's connection has inserted become
// visible here only after its COMMIT.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <mysql.h>

using DbValue = std::optional<std::string>;  // std::nullopt for SQL NULL
using DbRow = std::vector<DbValue>;

class TestDb {
public:
    // Connects with the test credentials; a failure is reported as a test
    // failure and every later call fails the same way.
    TestDb();
    ~TestDb();
    TestDb(const TestDb&) = delete;
    TestDb& operator=(const TestDb&) = delete;

    bool connected() const { return connection_ != nullptr; }

    // Runs a statement that must succeed (a test failure otherwise).
    bool exec(const std::string& sql);
    // Runs a statement; 0 or its error number.
    int tryExec(const std::string& sql);
    // The rows of a query, every value as text or NULL.
    std::vector<DbRow> query(const std::string& sql);
    // The first column of the first row, or std::nullopt when there is no
    // row or the value is NULL.
    DbValue scalar(const std::string& sql);

    // Empties the five tables and drops every trigger of KORBANIX.
    void resetTables();

    // The value as an SQL literal: escaped and quoted, or NULL.
    std::string literal(const DbValue& value);

    // Master data: one row each.
    void addTerminal(const std::string& name, int mnd, int liz, std::optional<int> tas,
                     std::optional<int> sta = std::nullopt);
    void addKid(int number, const DbValue& costCentre, int mnd, int liz);
    void addTta(std::optional<int> table, int mnd, std::optional<int> dnc, const DbValue& aps, const DbValue& fcd);
    void addZls(const std::string& terminal, int reader, const DbValue& costCentre);

    // Makes every later insert of a booking with this badge fail with the
    // error number (a trigger, removed by resetTables).
    void failInsertsOfBadge(const std::string& badge, int errorNumber);

    // The bookings, oldest first, with the columns in the order of
    // kBookingColumns (the order of the tool's INSERT).
    std::vector<DbRow> bookings();
    static const char* const kBookingColumns;

private:
    MYSQL* connection_ = nullptr;
};
