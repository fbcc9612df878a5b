// Whole runs of the tool on dta files: the exit code, the console bytes,
// what the importer writes to the run log, and the rows of the bookings
// table.
//
// The lines of these files name their terminal T7 while the runs are
// started for terminal T1: the record takes the line's terminal, the
// master-data lookups the run's, and a mix-up shows in the rows.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/support/support.h"

namespace {

std::string repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

// Positions in TestDb::bookings() rows.
enum Column {
    kSch, kTid, kLid, kIdn, kSto, kKst, kDtm, kUhr, kLfn, kArt, kTas, kEra, kKze, kBer, kErq, kSta, kQua, kSrc, kRes
};

// A booking line of reader 3 with the given badge and fields 6 onwards.
std::string line(const std::string& badge, const std::string& rest = "K05,000,SO=12") {
    return "T7,3," + badge + ",20240102,20240102080000," + rest + "\n";
}

class DtaImport : public ::testing::Test {
protected:
    void SetUp() override {
        db.resetTables();
        db.addTerminal("T1", 1, 1, 10);
        db.addZls("T1", 3, std::string("7"));
        db.addKid(7, std::string("KST7"), 1, 1);
    }

    ToolResult import(const std::string& bytes, bool debug = false) { return runTool(tree, writeSource(bytes, debug)); }

    // The same run by the tool linked with the recording canteen sink, which
    // appends the seven values of every hand-off to sinkFile().
    ToolResult importWithSink(const std::string& bytes, bool debug = false) {
        return runProgram(MOLTRABECK_TEST_SINK_PATH, tree, writeSource(bytes, debug),
                          {{"MOLTRABECK_SINK_FILE", sinkFile()}});
    }
    std::string sinkFile() const { return tree.root() + "/sink.txt"; }

    // What the importer wrote to the run log in the last run: everything
    // between the line that names the source file and the end line.
    std::string importerLog() const {
        const std::string log = tree.logBytes();
        const std::string begin = "\r\nEinlesen Datei in.dta\r\n";
        const std::size_t from = log.rfind(begin);
        const std::size_t to = log.rfind("\r\nENDE\r\n");
        if (from == std::string::npos || to == std::string::npos || to < from + begin.size()) {
            ADD_FAILURE() << "run log without a complete import:\n" << log;
            return log;
        }
        return log.substr(from + begin.size(), to - from - begin.size());
    }

    // One column of every booking, oldest first.
    std::vector<DbValue> column(Column which) {
        std::vector<DbValue> values;
        for (const DbRow& row : db.bookings()) values.push_back(row.at(which));
        return values;
    }

    TestDb db;
    TestTree tree;

private:
    // Writes the source file; the arguments of its run for terminal T1.
    std::vector<std::string> writeSource(const std::string& bytes, bool debug) const {
        tree.writeFile("in.dta", bytes);
        std::vector<std::string> args{"in.dta", "dta", "T1"};
        if (debug) args.push_back("/D");
        return args;
    }
};

TEST_F(DtaImport, ExampleLineFillsEveryColumn) {
    ToolResult run = import(line("815"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.stdoutBytes, "");
    EXPECT_EQ(importerLog(), "");
    const DbRow expected{"",   "T7",  "3", "815", "12", "KST7", "20240102000000", "20240102080000", "1", "K05",
                         "",   "000", "",  "",    "",   "0",    "",               "dta",            ""};
    EXPECT_EQ(db.bookings(), std::vector<DbRow>{expected});
}

// Canteen lines are not inserted and take no running number; everything
// else, canteen-like codes included, is an ordinary booking.
TEST_F(DtaImport, CanteenLinesAreHandedOffAndTakeNoRunningNumber) {
    struct Case {
        const char* badge;
        const char* fields;  // fields 6 to 8
        const char* stored;  // BewSto of the row; nullptr: handed to the canteen
    };
    const Case cases[] = {
        {"801", "K02,000,SO=37136", nullptr},
        {"802", "K05,000,SO=12", "12"},
        {"803", "K03,100,SO=36292", nullptr},
        {"804", "K01,000,SO=37136", nullptr},
        {"805", "K04,000,SO=37136", "37136"},
        {"806", "K02,000,SO=12", "12"},
        {"807", "K02,000,SO=", "0"},
        {"808", "K02,000,XY=5", "0"},
        {"809", "K02,000,so=37136", "0"},
        {"810", "K02,000,SO=37136 ", "37136 "},
        {"811", "K02,000,SO=036292", "036292"},
        {"812", "k02,000,SO=37136", "37136"},
    };
    std::string file;
    std::vector<DbValue> badges, stored, numbers;
    for (const Case& c : cases) {
        file += line(c.badge, c.fields);
        if (c.stored == nullptr) continue;
        badges.push_back(std::string(c.badge));
        stored.push_back(std::string(c.stored));
        numbers.push_back(std::to_string(numbers.size() + 1));
    }

    ToolResult run = importWithSink(file);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.stdoutBytes, "");
    EXPECT_EQ(importerLog(), "");
    EXPECT_EQ(readFileBytes(sinkFile()),
              "801|20240102|0800|01|_K|K02|0000|\n"
              "803|20240102|0800|01|_K|K03|0001|\n"
              "804|20240102|0800|01|_K|K01|0000|\n");
    EXPECT_EQ(column(kIdn), badges);
    EXPECT_EQ(column(kSto), stored);
    EXPECT_EQ(column(kLfn), numbers);
}

TEST_F(DtaImport, LineWithFewerThanEightFieldsIsReportedAndSkipped) {
    const std::string shortLine = "T7,3,901,20240102,20240102080000,K05,000\n";
    const std::string blankLine = "   \n";
    const std::string goodLine = line("902");
    for (bool debug : {false, true}) {
        SCOPED_TRACE(debug ? "with /D" : "without /D");
        db.resetTables();
        // CR LF line ends: the log shows the line as read, with one line end.
        std::string file = shortLine + blankLine + goodLine;
        std::string crlf;
        for (char c : file) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);

        ToolResult run = import(crlf, debug);
        EXPECT_EQ(run.exitCode, 0);
        const std::string report = "FEHLERHAFTER BUCHUNGSSATZ !!\n";
        // With /D every line is echoed as read, and the run ends with an
        // empty line.
        EXPECT_EQ(run.stdoutBytes,
                  debug ? "\n" + shortLine + report + "\n" + blankLine + "\n" + goodLine + "\n" : report);
        EXPECT_EQ(importerLog(), "\r\nFEHLERHAFTER BUCHUNGSSATZ: T7,3,901,20240102,20240102080000,K05,000\r\n\r\n\r\n");
        EXPECT_EQ(column(kIdn), (std::vector<DbValue>{"902"}));
        EXPECT_EQ(column(kLfn), (std::vector<DbValue>{"1"}));
    }
}

// Blank lines vanish without a trace, and CR LF reads like LF, the last
// line without a line end included.
TEST_F(DtaImport, LineEndsAndBlankLinesDoNotChangeTheRows) {
    std::string lastLine = line("813");
    lastLine.pop_back();
    const std::string file = line("811") + "\n" + "   \n" + line("812") + lastLine;
    std::vector<DbRow> rowsOfLf;
    for (const char* lineEnd : {"\n", "\r\n"}) {
        SCOPED_TRACE(lineEnd[0] == '\r' ? "CR LF" : "LF");
        db.resetTables();
        std::string bytes;
        for (char c : file) bytes += c == '\n' ? std::string(lineEnd) : std::string(1, c);

        ToolResult run = import(bytes);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.stdoutBytes, "");
        EXPECT_EQ(importerLog(), "");
        EXPECT_EQ(column(kIdn), (std::vector<DbValue>{"811", "812", "813"}));
        EXPECT_EQ(column(kSto), (std::vector<DbValue>{"12", "12", "12"}));
        if (rowsOfLf.empty()) {
            rowsOfLf = db.bookings();
        } else {
            EXPECT_EQ(db.bookings(), rowsOfLf);
        }
    }
}

// Ctrl-Z ends a text file: the part of its line before it is the last line.
TEST_F(DtaImport, CtrlZEndsTheInput) {
    ToolResult run = import(line("821") + "T7,3,822,2024\x1A" "0102,20240102080000,K05,000,SO=12\n" + line("823"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.stdoutBytes, "FEHLERHAFTER BUCHUNGSSATZ !!\n");
    EXPECT_EQ(importerLog(), "\r\nFEHLERHAFTER BUCHUNGSSATZ: T7,3,822,2024\r\n\r\n");
    EXPECT_EQ(column(kIdn), (std::vector<DbValue>{"821"}));
}

TEST_F(DtaImport, CostCentreFromNumberReaderOrNone) {
    db.addKid(12, std::string("KST12"), 1, 1);
    db.addKid(0, std::string("KST0"), 1, 1);
    db.addKid(13, std::string("OTHER13"), 2, 1);  // another client's
    db.addZls("T1", 1, std::string("12"));
    db.addZls("T1", 32, std::string("12"));
    db.addZls("T1", 5, std::string("99"));  // a number without cost centre
    db.addZls("T1", 6, std::nullopt);
    db.addZls("T7", 4, std::string("12"));  // the line's terminal, not the run's

    struct Case {
        const char* reader;
        const char* extension;  // fields 9 and on; nullptr: none
        DbValue costCentre;
        const char* span;       // BewRes
    };
    const Case cases[] = {
        {"3", "Kostenstelle=12", "KST12", ""},
        {"3", "Kostenstelle=13", "KST7", ""},
        {"3", "Kostenstelle=", "KST7", ""},
        {"3", "Kostenstelle=abc", "KST0", ""},
        {"3", "kostenstelle=12", "KST7", ""},
        {"3", "VonBis=08-16", "KST7", "08-16"},
        {"3", "VonBis=", "KST7", ""},
        {"3", "VonBis=08-16,Kostenstelle=12", "KST7", "08-16"},
        {"33", "Kostenstelle=12", "KST12", ""},
        {"03", nullptr, "KST7", ""},
        {"32", nullptr, "KST12", ""},
        {"4", nullptr, std::nullopt, ""},
        {"5", nullptr, std::nullopt, ""},
        {"6", nullptr, std::nullopt, ""},
        {"0", nullptr, std::nullopt, ""},
        {"x", nullptr, std::nullopt, ""},
        {"33", nullptr, std::nullopt, ""},
        {"-1", nullptr, std::nullopt, ""},
    };
    std::string file;
    std::vector<DbValue> readers, costCentres, spans;
    for (const Case& c : cases) {
        file += std::string("T7,") + c.reader + "," + std::to_string(700 + readers.size()) +
                ",20240102,20240102080000,K05,000,SO=12" + (c.extension ? std::string(",") + c.extension : "") + "\n";
        readers.push_back(std::string(c.reader));
        costCentres.push_back(c.costCentre);
        spans.push_back(std::string(c.span));
    }

    ToolResult run = import(file);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(importerLog(), "");
    EXPECT_EQ(column(kLid), readers);
    EXPECT_EQ(column(kKst), costCentres);
    EXPECT_EQ(column(kRes), spans);
}

TEST_F(DtaImport, RunningNumberWrapsAfter999) {
    std::string file;
    for (int badge = 1; badge <= 1001; ++badge) file += line(std::to_string(badge));
    ToolResult run = import(file);
    EXPECT_EQ(run.exitCode, 0);
    const std::vector<DbValue> numbers = column(kLfn);
    ASSERT_EQ(numbers.size(), 1001u);
    EXPECT_EQ(numbers[0], "1");
    EXPECT_EQ(numbers[998], "999");
    EXPECT_EQ(numbers[999], "1");
    EXPECT_EQ(numbers[1000], "2");
}

// A second import reports the existing bookings from the fields as split
// (the empty badge stays empty there) and still succeeds; canteen lines
// are handed off again.
TEST_F(DtaImport, ReimportReportsExistingBookings) {
    const std::string first = line("831");
    const std::string noBadge = line("");
    const std::string canteen = line("832", "K02,000,SO=37136");
    const std::string file = first + noBadge + canteen;

    ToolResult run = importWithSink(file);
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(column(kIdn), (std::vector<DbValue>{"831", " "}));
    const std::vector<DbRow> rows = db.bookings();

    run = importWithSink(file);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.stdoutBytes, "");
    const std::string rest = "Terminal: T7, Datum: 20240102, Uhrzeit: 20240102080000, Art: K05\r\n";
    EXPECT_EQ(importerLog(), "ID 831: Buchungssatz existiert bereits\r\nID: 831, " + rest +
                                 "ID : Buchungssatz existiert bereits\r\nID: , " + rest);
    EXPECT_EQ(db.bookings(), rows);

    run = importWithSink(file, true);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.stdoutBytes, "\n" + first + "   ID 831: Buchungssatz existiert bereits\n" + "\n" + noBadge +
                                   "   ID : Buchungssatz existiert bereits\n" + "\n" + canteen + "\n");
    EXPECT_EQ(db.bookings(), rows);
    EXPECT_EQ(readFileBytes(sinkFile()), repeat("832|20240102|0800|01|_K|K02|0000|\n", 3));
}

// Every failed insert is reported, on the console without /D as well; the
// first one's number is the result.
TEST_F(DtaImport, InsertFailuresAreReportedAndTheFirstIsTheResult) {
    db.failInsertsOfBadge("841", 201);
    db.failInsertsOfBadge("843", 202);
    ToolResult run = import(line("841") + line("842") + line("843", "K07,000,SO=12") + line("844"));
    EXPECT_EQ(run.exitCode, toolExitStatus(201));
    EXPECT_EQ(run.stdoutBytes, "   ID 841: Insert-Fehler: 201\n   ID 843: Insert-Fehler: 202\n");
    EXPECT_EQ(importerLog(),
              "\r\nInsert-Fehler: 201\r\n"
              "ID: 841, Terminal: T7, Datum: 20240102, Uhrzeit: 20240102080000, Art: K05\r\n"
              "\r\nInsert-Fehler: 202\r\n"
              "ID: 843, Terminal: T7, Datum: 20240102, Uhrzeit: 20240102080000, Art: K07\r\n");
    EXPECT_EQ(column(kIdn), (std::vector<DbValue>{"842", "844"}));
    EXPECT_EQ(column(kLfn), (std::vector<DbValue>{"2", "4"}));
}

// A line longer than the 498 characters read at once goes on as a line of
// its own.
TEST_F(DtaImport, LongLinesContinueAsLinesOfTheirOwn) {
    const std::string head = "T7,3,851,20240102,20240102080000,K05,000,SO=12,VonBis=";
    const std::string fits = head + std::string(497 - head.size(), 'a') + "\n";
    const std::string cutHead = "T7,3,852,20240102,20240102080000,K05,000,SO=12,VonBis=";
    const std::string cut = cutHead + std::string(498 - cutHead.size(), 'b') + line("853");

    ToolResult run = import(fits + cut + line("854"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.stdoutBytes, "");
    EXPECT_EQ(importerLog(), "");
    EXPECT_EQ(column(kIdn), (std::vector<DbValue>{"851", "852", "853", "854"}));
    EXPECT_EQ(column(kTid), (std::vector<DbValue>{"T7", "T7", "T7", "T7"}));
    EXPECT_EQ(column(kRes), (std::vector<DbValue>{std::string(136, 'a'), std::string(136, 'b'), "", ""}));
}

// Malformed lines are reported one by one and the lines around them still
// go in.
TEST_F(DtaImport, MalformedLinesAreReportedAndTheRestImported) {
    std::mt19937 random(20240102);
    std::string garbage;
    for (int i = 0; i < 4000; ++i) {
        char byte = static_cast<char>(random() & 0xFF);
        garbage += byte == '\x1A' ? 'Z' : byte;  // Ctrl-Z would end the file
    }
    const std::string file = line("861") + "T7,3,\"862,20240102,20240102080000,K05,000,SO=12\n" +
                             line("86\"3") + std::string("T7,3,864,2024\0", 14) +
                             "0102,20240102080000,K05,000,SO=12\n" +
                             line("865") + garbage + "\n" + line("866");

    ToolResult run = import(file);
    EXPECT_EQ(run.exitCode, 0);
    const std::vector<DbValue> badges = column(kIdn);
    ASSERT_GE(badges.size(), 4u);
    EXPECT_EQ(std::vector<DbValue>(badges.begin(), badges.begin() + 3), (std::vector<DbValue>{"861", "86\"3", "865"}));
    EXPECT_EQ(badges.back(), "866");

    const std::string log = importerLog();
    const std::string knownReports =
        "\r\nFEHLERHAFTER BUCHUNGSSATZ: T7,3,\"862,20240102,20240102080000,K05,000,SO=12\r\n\r\n\r\n"
        "\r\nFEHLERHAFTER BUCHUNGSSATZ: T7,3,864,2024\r\n\r\n";
    EXPECT_EQ(log.substr(0, knownReports.size()), knownReports);
    const std::string report = "FEHLERHAFTER BUCHUNGSSATZ !!\n";
    std::size_t consoleReports = 0;
    for (std::size_t at = 0; at + report.size() <= run.stdoutBytes.size(); at += report.size()) {
        EXPECT_EQ(run.stdoutBytes.compare(at, report.size(), report), 0) << run.stdoutBytes;
        ++consoleReports;
    }
    std::size_t logReports = 0;
    for (std::size_t at = log.find("FEHLERHAFTER"); at != std::string::npos; at = log.find("FEHLERHAFTER", at + 1)) {
        ++logReports;
    }
    EXPECT_GT(consoleReports, 2u);
    EXPECT_EQ(consoleReports, logReports);
}

// A field longer than its column is cut to the column's width and the line
// still goes in; canteen routing and the reader's cost centre go by the
// fields as delivered.
TEST_F(DtaImport, LongFieldsAreCutToTheirColumns) {
    const std::string badge(60, 'i');
    ToolResult run = import(std::string("T7,0000003,") + badge +
                            ",20240102XXXXXXXXXXXX,20240102080000YYYYYYYY,K0512,00000,SO=123456789,VonBis=" +
                            std::string(200, 'r') + "\n" + line("871", "K021,000,SO=37136"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(importerLog(), "");
    const std::vector<DbRow> rows = db.bookings();
    ASSERT_EQ(rows.size(), 2u);
    const DbRow& row = rows[0];
    EXPECT_EQ(row[kLid], "00000");
    EXPECT_EQ(row[kIdn], std::string(50, 'i'));
    EXPECT_EQ(row[kDtm], "20240102000000XXXXX");
    EXPECT_EQ(row[kUhr], "20240102080000YYYYY");
    EXPECT_EQ(row[kArt], "K05");
    EXPECT_EQ(row[kEra], "000");
    EXPECT_EQ(row[kSto], "12345678");
    EXPECT_EQ(row[kRes], std::string(136, 'r'));
    EXPECT_EQ(row[kKst], "KST7");
    EXPECT_EQ(rows[1][kIdn], "871");
    EXPECT_EQ(rows[1][kArt], "K02");
}

TEST_F(DtaImport, QuoteAndBackslashInBadgeAreStoredAsRead) {
    ToolResult run = import(line("O'B\\x'") + line("\\"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(importerLog(), "");
    EXPECT_EQ(column(kIdn), (std::vector<DbValue>{"O'B\\x'", "\\"}));
}

}  // namespace
