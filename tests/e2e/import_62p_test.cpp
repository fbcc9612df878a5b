// Whole runs of 62p files: every value comes from the record itself.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/fixed_width_records.h"

namespace fixed_width {
namespace {

TEST_F(FixedWidthRun, Import62pFillsTheRowFromTheRecordAlone) {
    // No master data at all: the format needs none.
    TestTree tree;
    const ToolResult run = importFile(tree, "62p", record62p("815", "123", "07", "AB", "X"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.stdoutBytes, "");
    EXPECT_EQ(importLog(tree, "62p"), "");

    const DbRow expected = {"",  "T1",  "07", "815", "0", std::nullopt, kDtm, kUhr, "123", "",
                            "",  "X",   "",   "",    "AB", "0",         "",   "62p", ""};
    EXPECT_EQ(db.bookings(), std::vector<DbRow>{expected});
}

// The badge is stored as the record holds it, cut behind its last character
// that is neither blank nor tab; quotes, backslashes, line-end and Ctrl-Z
// bytes and bytes above 0x7F are data like any other.
TEST_F(FixedWidthRun, Import62pStoresTheBadgeAsRead) {
    const struct {
        std::string field;
        std::string stored;
    } cases[] = {
        {"815", "815"},
        {"815\t \t", "815"},
        {" 815", " 815"},
        {"1234567890123", "1234567890123"},
        {std::string("81\0 5", 5), "81"},
        {std::string("\0" "815", 4), " "},
        {"", " "},  // all blanks
        {"O'Brien", "O'Brien"},
        {"C:\\x\\", "C:\\x\\"},
        {"M\xE4ller", "M\xE4ller"},
        {"A\r\nB\x1A" "C", "A\r\nB\x1A" "C"},
    };
    std::string bytes;
    std::vector<std::string> stored;
    int reader = 10;
    for (const auto& c : cases) {
        // Each its own reader, so that badges stored alike stay apart.
        bytes += record62p(c.field, "001", std::to_string(reader++));
        stored.push_back(c.stored);
    }
    TestTree tree;
    const ToolResult run = importFile(tree, "62p", bytes);
    EXPECT_EQ(run.exitCode, 0) << run.stdoutBytes;
    EXPECT_EQ(column(db.bookings(), kIDN), stored);
}

}  // namespace
}  // namespace fixed_width
