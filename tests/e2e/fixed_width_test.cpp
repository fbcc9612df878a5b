// Whole runs of the three fixed-width source types where they behave alike:
// the length check, existing bookings, failed inserts, the running number,
// and files of arbitrary bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tests/e2e/fixed_width_records.h"

namespace fixed_width {
namespace {

TEST_F(FixedWidthRun, RefusesFilesOfTheWrongLengthAndImportsNothingFromThem) {
    for (const Format& format : formats()) {
        const std::string src = format.src;
        const std::string record = format.record("815");
        const std::string tooShort = "Quelldatei(" + src + "): unzul\xE4" "ssige Zeichen ???\n";
        const std::string wrongLength = "falsche Satzlaenge der Quelldatei(" + src + ")";
        auto count = [&src](std::size_t n) {
            return "Quelldatei(" + src + "): Zeichenanzahl " + std::to_string(n) + "\n";
        };
        auto tooShortLog = [&src](std::size_t n) {
            return "Quelldatei(" + src + "): falsche Zeichenanzahl " + std::to_string(n) + "\r\n";
        };
        const std::size_t n = format.length;

        const struct {
            const char* name;
            std::string bytes;
            int exitCode;
            std::string console;
            std::string log;
            std::size_t rows;
        } cases[] = {
            {"empty", "", 0, "", "Die Quelldatei ist leer!\r\n", 0},
            {"one byte", "x", 0, tooShort + count(1), tooShortLog(1), 0},
            {"one byte short of a record", record.substr(0, n - 1), 0, tooShort + count(n - 1), tooShortLog(n - 1), 0},
            {"a record and one byte", record + "x", exitStatus(-1, 255), wrongLength + "\n" + count(n + 1),
             wrongLength + "\r\n", 0},
            {"two records less one byte", record + record.substr(0, n - 1), exitStatus(-1, 255),
             wrongLength + "\n" + count(2 * n - 1), wrongLength + "\r\n", 0},
            {"two records", record + format.record("816"), 0, "", "", 2},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(src + ": " + c.name);
            db.resetTables();
            addStandardMasterData(db);
            TestTree tree;
            const ToolResult run = importFile(tree, format.type, c.bytes);
            EXPECT_EQ(run.exitCode, c.exitCode);
            EXPECT_EQ(run.stdoutBytes, c.console);
            EXPECT_EQ(importLog(tree, format.type), c.log);
            EXPECT_EQ(db.bookings().size(), c.rows);
        }
    }
}

TEST_F(FixedWidthRun, ReportsEveryBookingOfASecondImportAsExisting) {
    for (const Format& format : formats()) {
        SCOPED_TRACE(format.src);
        db.resetTables();
        addStandardMasterData(db);
        TestTree tree;
        const std::string first = format.record("815");
        const std::string second = format.record("816");

        ASSERT_EQ(importFile(tree, format.type, first + second).exitCode, 0);
        const std::vector<DbRow> imported = db.bookings();
        ASSERT_EQ(imported.size(), 2u);

        const std::string expectedLog =
            "ID 815: Buchungssatz existiert bereits\r\n" + bookingLogLine("815", format.art) +
            "ID 816: Buchungssatz existiert bereits\r\n" + bookingLogLine("816", format.art);

        ImportOptions debug;
        debug.debug = true;
        ToolResult run = importFile(tree, format.type, first + second, debug);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.stdoutBytes, first + "\n   ID 815: Buchungssatz existiert bereits\n" + second +
                                       "\n   ID 816: Buchungssatz existiert bereits\n\n");
        EXPECT_EQ(importLog(tree, format.type), expectedLog);

        run = importFile(tree, format.type, first + second);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.stdoutBytes, "");
        EXPECT_EQ(importLog(tree, format.type), expectedLog);

        EXPECT_EQ(db.bookings(), imported);
    }
}

// Failed inserts are reported in every mode, the import goes on and commits
// the rest, and the first failure's number is the exit code (as far as eight
// bits carry it).
TEST_F(FixedWidthRun, ReportsFailedInsertsAndEndsWithTheFirstFailure) {
    const struct {
        int first;
        int second;
        bool debug;
        int exitCode;
    } cases[] = {
        {77, 1644, false, exitStatus(77, 77)},
        {1644, 77, true, exitStatus(1644, 255)},
    };
    for (const Format& format : formats()) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(format.src) + ": first failure " + std::to_string(c.first));
            db.resetTables();
            addStandardMasterData(db);
            db.failInsertsOfBadge("FIRST", c.first);
            db.failInsertsOfBadge("SECOND", c.second);
            TestTree tree;
            const std::vector<std::string> badges = {"FIRST", "OK1", "SECOND", "OK2"};
            std::string bytes;
            for (const std::string& badge : badges) bytes += format.record(badge);

            ImportOptions options;
            options.debug = c.debug;
            const ToolResult run = importFile(tree, format.type, bytes, options);
            EXPECT_EQ(run.exitCode, c.exitCode);

            const std::string prefix = format.failurePrefix;
            auto failure = [&prefix](const std::string& badge, int number) {
                return prefix + "ID " + badge + ": Insert-Fehler: " + std::to_string(number) + "\n";
            };
            std::string console;
            for (const std::string& badge : badges) {
                if (c.debug) console += format.record(badge) + "\n";
                if (badge == "FIRST") console += failure(badge, c.first);
                if (badge == "SECOND") console += failure(badge, c.second);
            }
            if (c.debug) console += "\n";
            EXPECT_EQ(run.stdoutBytes, console);
            EXPECT_EQ(importLog(tree, format.type),
                      "\r\nInsert-Fehler: " + std::to_string(c.first) + "\r\n" + bookingLogLine("FIRST", format.art) +
                          "\r\nInsert-Fehler: " + std::to_string(c.second) + "\r\n" +
                          bookingLogLine("SECOND", format.art));

            const std::vector<DbRow> rows = db.bookings();
            EXPECT_EQ(column(rows, kIDN), (std::vector<std::string>{"OK1", "OK2"}));
            // Failed inserts use up their running numbers.
            if (format.numbersItself) {
                EXPECT_EQ(column(rows, kLfn), (std::vector<std::string>{"2", "4"}));
            }
        }
    }
}

TEST_F(FixedWidthRun, RunningNumberFollows999WithOne) {
    for (const Format& format : formats()) {
        if (!format.numbersItself) continue;
        SCOPED_TRACE(format.src);
        db.resetTables();
        addStandardMasterData(db);
        TestTree tree;
        std::string bytes;
        for (int i = 0; i < 1000; ++i) bytes += format.record("B" + std::to_string(i));

        ASSERT_EQ(importFile(tree, format.type, bytes).exitCode, 0);
        const std::vector<std::string> numbers = column(db.bookings(), kLfn);
        ASSERT_EQ(numbers.size(), 1000u);
        EXPECT_EQ(numbers[0], "1");
        EXPECT_EQ(numbers[1], "2");
        EXPECT_EQ(numbers[99], "100");
        EXPECT_EQ(numbers[998], "999");
        EXPECT_EQ(numbers[999], "1");
    }
}

// Records of arbitrary bytes, NUL bytes among them, are taken over as text:
// nothing crashes, every booking is stored, and no value outgrows the field
// of the record it came from.
TEST_F(FixedWidthRun, ImportsArbitraryBytesWithinTheFieldWidths) {
    // Widths of the columns, without the NUL; BewSta is a number.
    const std::size_t columnWidths[kColumnCount] = {29, 255, 5, 50, 8, 30, 19, 19, 3, 3, 2, 3, 1, 1, 10, 6, 5, 3, 136};
    constexpr int kRecords = 60;
    for (const Format& format : formats()) {
        SCOPED_TRACE(format.src);
        db.resetTables();
        addStandardMasterData(db);
        TestTree tree;

        std::mt19937 random(20240305u);
        std::string bytes;
        std::size_t canteenRecords = 0;
        for (int r = 0; r < kRecords; ++r) {
            std::string record;
            for (std::size_t i = 0; i < format.length; ++i) {
                const std::uint32_t value = random();
                // One byte in eight is NUL, so that many fields are cut short.
                record += static_cast<char>(value % 8 == 0 ? 0 : (value >> 8) & 0xFF);
            }
            if (r == 0) record[0] = 'R';  // content for the content check
            if (std::string(format.src) == "40p" && record[25] == 'K') ++canteenRecords;
            bytes += record;
        }
        ASSERT_NE(bytes.find('\0'), std::string::npos);

        const ToolResult run = importFile(tree, format.type, bytes);
        EXPECT_EQ(run.exitCode, 0) << run.stdoutBytes;
        const std::vector<DbRow> rows = db.bookings();
        EXPECT_EQ(rows.size(), kRecords - canteenRecords);
        for (const DbRow& row : rows) {
            ASSERT_EQ(row.size(), static_cast<std::size_t>(kColumnCount));
            for (std::size_t col = 0; col < kColumnCount; ++col) {
                if (!row[col]) continue;
                EXPECT_LE(row[col]->size(), columnWidths[col]) << "column " << col;
                EXPECT_EQ(row[col]->find('\0'), std::string::npos) << "column " << col;
            }
            ASSERT_TRUE(row[kIDN] && row[kDtmCol] && row[kUhrCol]);
            EXPECT_GE(row[kIDN]->size(), 1u);
            EXPECT_LE(row[kIDN]->size(), 13u);
            EXPECT_LE(row[kDtmCol]->size(), 14u);
            EXPECT_LE(row[kUhrCol]->size(), 14u);
            EXPECT_EQ(row[kSrc], DbValue(format.src));
            EXPECT_EQ(row[kTID], DbValue("T1"));
        }
    }
}

}  // namespace
}  // namespace fixed_width
