// Whole runs of 40p files: the cost centre comes from the reader, the
// function key from the code character, and code K is a canteen booking.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/fixed_width_records.h"

namespace fixed_width {
namespace {

TEST_F(FixedWidthRun, Import40pCompletesTheRowFromMasterData) {
    addStandardMasterData(db);
    TestTree tree;
    const ToolResult run = importFile(tree, "40p", record40p("815", '3', "01", '1'));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.stdoutBytes, "");
    EXPECT_EQ(importLog(tree, "40p"), "");

    const DbRow expected = {"",  "T1", "01", "815", "0",  "KST12", kDtm, kUhr, "1", "K03",
                            "03", "",  "3",  "1",   "",   "0",     "",   "40p", ""};
    EXPECT_EQ(db.bookings(), std::vector<DbRow>{expected});
}

// The code character decides the function key and whether a booking type is
// looked up; a canteen booking (K) leaves the bookings table and its
// running number to the next booking.
TEST_F(FixedWidthRun, Import40pMapsTheCodeCharacter) {
    db.addTerminal("T1", 1, 1, 10);
    db.addTta(10, 1, std::nullopt, std::string("0"), std::string("N00"));
    db.addTta(10, 1, std::nullopt, std::string("9"), std::string("N09"));
    db.addTta(10, 1, std::nullopt, std::string("16"), std::string("N16"));
    // A booking type for the "no key" value, which must never be looked up.
    db.addTta(10, 1, std::nullopt, std::string("99"), std::string("BAD"));

    const struct {
        char code;
        std::string badge;
        bool inserted;
        std::string lfn, tas, art;
    } cases[] = {
        {'0', "C0", true, "1", "00", "N00"},
        {'9', "C9", true, "2", "09", "N09"},
        {'A', "CA", true, "3", "10", "???"},  // no booking type for key 10
        {'G', "CG", true, "4", "16", "N16"},
        {'g', "Cg", true, "5", "", ""},
        {'H', "CH", true, "6", "", ""},
        {' ', "Cblank", true, "7", "", ""},
        {'K', "CK", false, "", "", ""},
        {'0', "C0next", true, "8", "00", "N00"},
    };
    std::string bytes, console;
    std::vector<std::string> badges, numbers, keys, types, codes;
    for (const auto& c : cases) {
        const std::string record = record40p(c.badge, c.code);
        bytes += record;
        console += record + "\n";
        if (c.art == "???") console += "   ID " + c.badge + ": Buchungsart nicht gefunden\n";
        if (!c.inserted) continue;
        badges.push_back(c.badge);
        numbers.push_back(c.lfn);
        keys.push_back(c.tas);
        types.push_back(c.art);
        codes.push_back(std::string(1, c.code));
    }
    TestTree tree;
    const std::string sinkFile = tree.root() + "/sink.txt";
    ImportOptions options;
    options.debug = true;
    options.program = Program::WithTestSink;
    options.env = {{"MOLTRABECK_SINK_FILE", sinkFile}};
    const ToolResult run = importFile(tree, "40P", bytes, options);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.stdoutBytes, console + "\n");
    EXPECT_EQ(importLog(tree, "40P"), "");

    const std::vector<DbRow> rows = db.bookings();
    EXPECT_EQ(column(rows, kIDN), badges);
    EXPECT_EQ(column(rows, kLfn), numbers);
    EXPECT_EQ(column(rows, kTas), keys);
    EXPECT_EQ(column(rows, kArt), types);
    EXPECT_EQ(column(rows, kKze), codes);
    EXPECT_EQ(readFileBytes(sinkFile), "CK|20240305|0830|01|_K|K01|0001|\n");
}

TEST_F(FixedWidthRun, Import40pTakesTheCostCentreOfTheReader) {
    db.addTerminal("T1", 1, 1, 10);
    db.addZls("T1", 1, std::string("100"));
    db.addZls("T1", 5, std::string("4711"));
    db.addZls("T1", 7, std::string("999"));  // a number without cost centre
    db.addZls("T1", 32, std::string(" 815"));
    db.addZls("OTHER", 6, std::string("4711"));
    db.addKid(100, std::string("KST1"), 1, 1);
    db.addKid(4711, std::string("KST5"), 1, 1);
    db.addKid(815, std::string("KST32"), 1, 1);

    const struct {
        std::string reader;
        DbValue kst;
    } cases[] = {
        {"01", std::string("KST1")}, {"05", std::string("KST5")}, {" 5", std::string("KST5")},
        {"07", std::nullopt},        {"06", std::nullopt},        {"02", std::nullopt},
        {"32", std::string("KST32")}, {"33", std::nullopt},       {"00", std::nullopt},
        {"  ", std::nullopt},
    };
    std::string bytes;
    std::vector<std::string> readers, costCentres;
    for (const auto& c : cases) {
        bytes += record40p("R" + c.reader, ' ', c.reader);
        readers.push_back(c.reader);
        costCentres.push_back(c.kst ? *c.kst : "NULL");
    }
    TestTree tree;
    const ToolResult run = importFile(tree, "40P", bytes);
    EXPECT_EQ(run.exitCode, 0) << run.stdoutBytes;
    const std::vector<DbRow> rows = db.bookings();
    EXPECT_EQ(column(rows, kLID), readers);
    EXPECT_EQ(column(rows, kKst), costCentres);
}

// The seven canteen values come from the record; a sink that refuses a
// booking is reported in every mode and leaves the exit code alone.
TEST_F(FixedWidthRun, Import40pHandsCanteenBookingsToTheSink) {
    const std::string longBadge = record40p("1234567890ABC", 'K', "01", '1', "311223235959");
    const std::string refused = record40p("815", 'K', "01", '0');
    const std::string bonTwo = record40p("816", 'K', "01", '2');
    const std::string booking = record40p("900", '3');
    const std::string sinkLines = "12345678|20231231|2359|01|_K|K01|0001|\n"
                                  "815|20240305|0830|01|_K|K01|0000|\n"
                                  "816|20240305|0830|01|_K|K01|0000|\n";
    const std::string failure = "SQLFehler: 4711 Ausweis: 815  Datum/Uhrzeit: 20240305 0830  Bon: 0000!";

    for (const bool debug : {false, true}) {
        for (const bool sinkFails : {false, true}) {
            SCOPED_TRACE(std::string(debug ? "debug" : "quiet") + (sinkFails ? ", sink refuses 815" : ""));
            db.resetTables();
            addStandardMasterData(db);
            TestTree tree;
            const std::string sinkFile = tree.root() + "/sink.txt";
            ImportOptions options;
            options.debug = debug;
            options.program = Program::WithTestSink;
            options.env = {{"MOLTRABECK_SINK_FILE", sinkFile}};
            if (sinkFails) options.env.push_back({"MOLTRABECK_SINK_STATUS", "815=4711"});

            const ToolResult run = importFile(tree, "40P", longBadge + refused + bonTwo + booking, options);
            EXPECT_EQ(run.exitCode, 0);
            std::string console;
            if (debug) console += longBadge + "\n" + refused + "\n";
            if (sinkFails) console += "Kantinendaten konnten nicht eingepflegt werden.\n" + failure + "\n";
            if (debug) console += bonTwo + "\n" + booking + "\n\n";
            EXPECT_EQ(run.stdoutBytes, console);
            EXPECT_EQ(importLog(tree, "40P"),
                      sinkFails ? "Kantinendaten konnten nicht eingepflegt werden:\r\n" + failure + "\r\n" : "");
            EXPECT_EQ(readFileBytes(sinkFile), sinkLines);

            const std::vector<DbRow> rows = db.bookings();
            EXPECT_EQ(column(rows, kIDN), std::vector<std::string>{"900"});
            EXPECT_EQ(column(rows, kLfn), std::vector<std::string>{"1"});
        }
    }
}

}  // namespace
}  // namespace fixed_width
