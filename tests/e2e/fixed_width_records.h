// Shared by the whole-run tests of the fixed-width source types 62p, 50p and
// 40p: record builders, the fixture that runs the tool on one source file,
// and the part of the run log that the importer writes.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/support.h"

namespace fixed_width {

// Every fixture record is booked on the 5th of March 2024 at 08:30:15.
constexpr const char* kDateTime = "050324083015";  // DDMMYYhhmmss
constexpr const char* kDtm = "20240305000000";
constexpr const char* kUhr = "20240305083015";

// The text padded with blanks to the field's width.
inline std::string padded(const std::string& text, std::size_t width) {
    EXPECT_LE(text.size(), width) << "fixture field too long: " << text;
    std::string field = text.substr(0, width);
    field.resize(width, ' ');
    return field;
}

// 62p: DDMMYYhhmmss, running number (3), reader (2), two characters (2),
// badge (13), one character.
inline std::string record62p(const std::string& badge, const std::string& lfn = "001",
                             const std::string& reader = "01", const std::string& erq = "AB",
                             const std::string& era = "X", const std::string& dateTime = kDateTime) {
    return dateTime + lfn + reader + erq + padded(badge, 13) + era;
}

// 50p: DDMMYYhhmmss, badge (13), cost-centre number (7).
inline std::string record50p(const std::string& badge, const std::string& costCentreNumber = "0000012",
                             const std::string& dateTime = kDateTime) {
    return dateTime + padded(badge, 13) + costCentreNumber;
}

// 40p: badge (13), DDMMYYhhmmss, code character, reader (2), one character.
inline std::string record40p(const std::string& badge, char code = '3', const std::string& reader = "01",
                             char ber = '1', const std::string& dateTime = kDateTime) {
    return padded(badge, 13) + dateTime + code + reader + ber;
}

// What one fixed-width type looks like to the tests that treat all three
// alike. `record` builds a valid record of the badge; booked on terminal T1
// with addStandardMasterData, its booking gets BewArt `art`.
struct Format {
    const char* type;           // the type argument (upper case: the tool folds it)
    const char* src;            // BewSrc, and the name in the tool's messages
    std::size_t length;         // record length
    const char* failurePrefix;  // leading blanks of the console's insert-failure line
    const char* art;
    std::string (*record)(const std::string& badge);
    bool numbersItself;         // the importer counts BewLfn (62p takes it from the record)
};

inline std::string standard62p(const std::string& badge) { return record62p(badge); }
inline std::string standard50p(const std::string& badge) { return record50p(badge); }
inline std::string standard40p(const std::string& badge) { return record40p(badge); }

inline const std::vector<Format>& formats() {
    static const std::vector<Format> all = {
        {"62P", "62p", 33, "  ", "", standard62p, false},
        {"50P", "50p", 32, "   ", "P07", standard50p, true},
        {"40P", "40p", 29, "   ", "K03", standard40p, true},
    };
    return all;
}

// Terminal T1 with default function key 7 (booking type P07), key 3
// (booking type K03), cost-centre number 12 (cost centre KST12) and reader 1
// booking to number 12.
inline void addStandardMasterData(TestDb& db) {
    db.addTerminal("T1", 1, 1, 10);
    db.addTta(10, 1, 3, std::string("7"), std::string("P07"));
    db.addTta(10, 1, std::nullopt, std::string("3"), std::string("K03"));
    db.addKid(12, std::string("KST12"), 1, 1);
    db.addZls("T1", 1, std::string("12"));
}

// The second log line of a rejected booking of the standard fixture date.
inline std::string bookingLogLine(const std::string& badge, const std::string& art,
                                  const std::string& terminal = "T1") {
    return "ID: " + badge + ", Terminal: " + terminal + ", Datum: " + kDtm + ", Uhrzeit: " + kUhr + ", Art: " + art +
           "\r\n";
}

// The lines the importer and the content check wrote to the run log in the
// last run: everything between the source-path line and the end of the run.
inline std::string importerLog(const TestTree& tree, const std::string& sourceName) {
    const std::string log = tree.logBytes();
    const std::string begin = "\r\nEinlesen Datei " + sourceName + "\r\n";
    const std::string end = "\r\nENDE\r\n<========================================\r\n";
    const std::size_t from = log.rfind(begin);
    const std::size_t to = log.rfind(end);
    if (from == std::string::npos || to == std::string::npos || to < from + begin.size() ||
        to + end.size() != log.size()) {
        ADD_FAILURE() << "the run log does not hold one whole run of " << sourceName << ":\n" << log;
        return log;
    }
    return log.substr(from + begin.size(), to - from - begin.size());
}

// The status a test sees for the tool's exit code: spelled out for Linux by
// the caller, so that a wrong mapping shows; the whole code under Wine.
inline int exitStatus(int code, int onLinux) { return toolRunsUnderWine() ? toolExitStatus(code) : onLinux; }

// The source file's name for a type: in.62p etc.
inline std::string sourceName(const std::string& type) {
    std::string name = "in.";
    for (char c : type) name += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return name;
}

// The built tool, and the same tool linked with the recording canteen sink
// (tests/e2e/recording_canteen_sink.cpp).
enum class Program { Tool, WithTestSink };

struct ImportOptions {
    bool debug = false;
    std::string terminal = "T1";
    Program program = Program::Tool;
    std::vector<std::pair<std::string, std::string>> env = {};
};

// Writes the bytes as the tree's source file of the type and imports it.
inline ToolResult importFile(const TestTree& tree, const std::string& type, const std::string& bytes,
                             const ImportOptions& options = {}) {
    const std::string name = sourceName(type);
    tree.writeFile(name, bytes);
    std::vector<std::string> args{name, type, options.terminal};
    if (options.debug) args.push_back("/D");
    if (options.program == Program::WithTestSink) {
        return runProgram(MOLTRABECK_TEST_SINK_PATH, tree, args, options.env);
    }
    return runTool(tree, args, options.env);
}

// The importer's part of the run log of the tree's last run of the type.
inline std::string importLog(const TestTree& tree, const std::string& type) {
    return importerLog(tree, sourceName(type));
}

// The values of one column of the rows, in row order (NULL as "NULL").
inline std::vector<std::string> column(const std::vector<DbRow>& rows, std::size_t index) {
    std::vector<std::string> values;
    for (const DbRow& row : rows) values.push_back(index < row.size() && row[index] ? *row[index] : "NULL");
    return values;
}

// Column positions in TestDb::bookings() rows.
enum Col : std::size_t {
    kSch, kTID, kLID, kIDN, kSto, kKst, kDtmCol, kUhrCol, kLfn, kArt, kTas, kEra, kKze, kBer, kErq, kSta, kQua, kSrc,
    kRes, kColumnCount
};

// Empty tables at the start of each test.
class FixedWidthRun : public ::testing::Test {
protected:
    void SetUp() override { db.resetTables(); }

    TestDb db;
};

}  // namespace fixed_width
