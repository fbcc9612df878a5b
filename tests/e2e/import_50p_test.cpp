// Whole runs of 50p files: the cost centre comes from the record's number,
// the function key is the terminal's default key.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/e2e/fixed_width_records.h"

namespace fixed_width {
namespace {

TEST_F(FixedWidthRun, Import50pCompletesTheRowFromMasterData) {
    addStandardMasterData(db);
    TestTree tree;
    // Type argument in lower case, a number with leading zeros.
    const ToolResult run = importFile(tree, "50p", record50p("815", "0000012"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.stdoutBytes, "");
    EXPECT_EQ(importLog(tree, "50p"), "");

    const DbRow expected = {"",  "T1", "",  "815", "0", "KST12", kDtm, kUhr, "1", "P07",
                            "07", "",  "",  "",    "",  "0",     "",   "50p", ""};
    EXPECT_EQ(db.bookings(), std::vector<DbRow>{expected});
}

// What each piece of missing or odd master data makes of one booking:
// its cost centre, function key and booking type, and the console in debug
// mode.
TEST_F(FixedWidthRun, Import50pFallsBackWhenMasterDataIsMissing) {
    const std::string notFound = "   ID 815: Buchungsart nicht gefunden\n";
    auto terminal = [](TestDb& db) {
        db.addTerminal("T1", 1, 1, 10);
        db.addKid(12, std::string("KST12"), 1, 1);
    };
    auto defaultKey = [](TestDb& db, const DbValue& aps) {
        db.addTta(10, 1, 3, aps, std::string("P07"));
        // A booking type for the "no key" value, which must never be looked up.
        db.addTta(10, 1, std::nullopt, std::string("99"), std::string("BAD"));
    };
    const struct {
        const char* name;
        std::function<void(TestDb&)> masterData;
        std::string number;  // bytes 25-31
        DbValue kst;
        std::string tas;
        std::string art;
        std::string debugLine;
        std::string terminalName;
    } cases[] = {
        {"number with leading blanks", [&](TestDb& db) { terminal(db); defaultKey(db, std::string("7")); },
         "     12", std::string("KST12"), "07", "P07", "", "T1"},
        {"number followed by blanks", [&](TestDb& db) { terminal(db); defaultKey(db, std::string("7")); },
         "12     ", std::string("KST12"), "07", "P07", "", "T1"},
        {"blanks read as number 0",
         [&](TestDb& db) { terminal(db); defaultKey(db, std::string("7")); db.addKid(0, std::string("KST0"), 1, 1); },
         "       ", std::string("KST0"), "07", "P07", "", "T1"},
        {"letters read as number 0",
         [&](TestDb& db) { terminal(db); defaultKey(db, std::string("7")); db.addKid(0, std::string("KST0"), 1, 1); },
         "ABCDEFG", std::string("KST0"), "07", "P07", "", "T1"},
        {"number without cost centre", [&](TestDb& db) { terminal(db); defaultKey(db, std::string("7")); },
         "0000099", std::string("???"), "07", "P07", "", "T1"},
        {"cost centre NULL",
         [&](TestDb& db) { terminal(db); defaultKey(db, std::string("7")); db.addKid(13, std::nullopt, 1, 1); },
         "0000013", std::nullopt, "07", "P07", "", "T1"},
        {"terminal without default key", terminal, "0000012", std::string("KST12"), "", "", "", "T1"},
        {"default key NULL", [&](TestDb& db) { terminal(db); defaultKey(db, std::nullopt); },
         "0000012", std::string("KST12"), "", "", "", "T1"},
        // The tool reads the key's leading digits, 7; the server compares the
        // text as the number 7.5 and finds no booking type for key 7.
        {"key without booking type", [&](TestDb& db) { terminal(db); defaultKey(db, std::string("7.5")); },
         "0000012", std::string("KST12"), "07", "???", notFound, "T1"},
        {"terminal unknown to master data", [&](TestDb& db) { terminal(db); defaultKey(db, std::string("7")); },
         "0000012", std::string("???"), "", "", "", "T9"},
        {"terminal name with a quote",
         [&](TestDb& db) {
             db.addTerminal("O'Hara", 1, 1, 10);
             db.addKid(12, std::string("KST12"), 1, 1);
             defaultKey(db, std::string("7"));
         },
         "0000012", std::string("KST12"), "07", "P07", "", "O'Hara"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        db.resetTables();
        c.masterData(db);
        TestTree tree;
        const std::string record = record50p("815", c.number);
        ImportOptions options;
        options.debug = true;
        options.terminal = c.terminalName;
        const ToolResult run = importFile(tree, "50P", record, options);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.stdoutBytes, record + "\n" + c.debugLine + "\n");
        EXPECT_EQ(importLog(tree, "50P"), "");

        const std::vector<DbRow> rows = db.bookings();
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0][kKst], c.kst);
        EXPECT_EQ(rows[0][kTas], DbValue(c.tas));
        EXPECT_EQ(rows[0][kArt], DbValue(c.art));
        EXPECT_EQ(rows[0][kTID], DbValue(c.terminalName));
    }
}

}  // namespace
}  // namespace fixed_width
