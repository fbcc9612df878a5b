// Whole runs of the tool that exercise its run control rather than an
// importer: the command line, the order in which failures are reported, the
// content check of the source file, the run log with its rotation, and the
// database session (connection settings, transport, COMMIT).
//
// Each run is checked by its exit code, its console bytes and its run log;
// the start lines of the log carry a time stamp and are checked by shape.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <future>
#include <optional>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/support.h"

namespace {

namespace fs = std::filesystem;

using Env = std::vector<std::pair<std::string, std::string>>;

const std::string kStartSeparatorLine = "\r\n\r\n========================================>\r\n";
const std::string kEndLines = "\r\nENDE\r\n<========================================\r\n";
const std::string kUnknownTypeConsole = "\nunbekannter Dateityp!!";
const std::string kTerminalErrorConsole = "Parameterfehler(Terminalname)";
const std::string kTerminalErrorLog = "Parameterfehler(Terminalname)\r\n\r\n";
const std::string kWhiteSpaceLog =
    "Die Quelldatei enthaelt nur Datenmuell!\r\nDie Quelldatei wird anschliessend geloescht!\r\n";
const std::string kEmptyLog = "Die Quelldatei ist leer!\r\n";
const std::string kNotFound = "Quelldatei auf Server nicht gefunden\n";
const std::string kNotFoundLog = "Quelldatei auf Server nicht gefunden\r\n\r\n";

std::string einlesen(const std::string& path) { return "\r\nEinlesen Datei " + path + "\r\n"; }

std::string connectFailure(int number) {
    return "Datenbankverbindung fehlgeschlagen, Fehler: " + std::to_string(number) + "\n";
}

// A 62p record of badge 815 booked on 5 March 2024 at 08:30:15.
const std::string kRecord62p = "050324083015001" "01" "AB" "815          " "X";

const std::string kTerminal49(49, 'T');
const std::string kTerminal50(50, 'T');

// The start lines of one run, time stamp by shape.
const std::regex kStartLines(
    "\r\n\r\n={40}>\r\nStart : (\\d\\d)\\.(\\d\\d)\\.(\\d{4}) (\\d\\d):(\\d\\d):(\\d\\d)\r\n");

// The log of exactly one run without its start lines, which must open it;
// `stamp` receives the start line's time.
std::string afterStartLines(const std::string& log, std::tm* stamp = nullptr) {
    std::smatch match;
    if (!std::regex_search(log, match, kStartLines, std::regex_constants::match_continuous)) {
        ADD_FAILURE() << "run log does not open with the start lines:\n" << log;
        return log;
    }
    if (stamp != nullptr) {
        *stamp = std::tm{};
        stamp->tm_mday = std::stoi(match[1]);
        stamp->tm_mon = std::stoi(match[2]) - 1;
        stamp->tm_year = std::stoi(match[3]) - 1900;
        stamp->tm_hour = std::stoi(match[4]);
        stamp->tm_min = std::stoi(match[5]);
        stamp->tm_sec = std::stoi(match[6]);
        stamp->tm_isdst = -1;
    }
    return log.substr(static_cast<std::size_t>(match.length(0)));
}

// One run: the arguments, the source file the first argument names (none:
// the file is missing), and what the run must leave behind.
struct RunCase {
    const char* what;
    std::vector<std::string> args;
    std::optional<std::string> source;
    int exitCode;
    std::string console;
    std::string logAfterStart;
};

class RunControl : public ::testing::Test {
protected:
    void SetUp() override { db.resetTables(); }

    // Runs each case in a tree of its own; no case may leave a booking.
    void runCases(const std::vector<RunCase>& cases) {
        for (const RunCase& c : cases) {
            SCOPED_TRACE(c.what);
            TestTree tree;
            if (c.source) tree.writeFile(c.args.at(0), *c.source);
            const ToolResult run = runTool(tree, c.args);
            EXPECT_EQ(run.exitCode, c.exitCode);
            EXPECT_EQ(run.stdoutBytes, c.console);
            EXPECT_EQ(afterStartLines(tree.logBytes()), c.logAfterStart);
            EXPECT_TRUE(db.bookings().empty());
        }
    }

    TestDb db;
};

TEST_F(RunControl, FewerThanThreeArgumentsPrintUsageAndLogNothing) {
    const std::string before =
        "Parameterfehler"
        "\n"
        "******************************************************\n";
    const std::string after =
        "** Projekt     : VELLANTRA                          **\n"
        "** Tool        : Moltrabeck                         **\n"
        "** Beschreibung:  Kopieren der 'Bewegungsdaten.dta' **\n"
        "**                 in die Datenbank                 **\n"
        "**                                                  **\n"
        "******************************************************\n"
        "\n"
        "Befehlsformat: \n"
        "Moltrabeck.exe  <Quelle> <Typ> <Terminal> [Debugmode] \n"
        "  Typ  : Art der Quelldatei\n"
        "        'dta' : Typ .dta \n"
        "        '40p' : Typ rixdo40p \n"
        "        '50p' :     rixdo50p \n"
        "        '62p' :     rixdo62p \n"
        "  Terminal  : Name des Quellterminals \n "
        "  Debugmode : /D : Ausgabe von Statusmeldungen im DOS-Fenster \n"
        "\n"
        "Beispiel:\n"
        "Moltrabeck  Bewegungsdaten.dta dta TRM7302 /D  \n";
    // The third banner line is worded freely but keeps the frame.
    const std::regex boxLine("\\*\\*.{50}\\*\\*\n");

    const std::vector<std::vector<std::string>> argLists = {{}, {"in.dta"}, {"in.dta", "dta"}};
    for (const auto& args : argLists) {
        SCOPED_TRACE(std::to_string(args.size()) + " arguments");
        TestTree tree;
        tree.writeFile("in.dta", "T1,3,815,20240102,20240102080000,K05,000,SO=12\n");
        const ToolResult run = runTool(tree, args);
        EXPECT_EQ(run.exitCode, 98);
        const std::size_t boxLength = 55;
        ASSERT_EQ(run.stdoutBytes.size(), before.size() + boxLength + after.size()) << run.stdoutBytes;
        EXPECT_EQ(run.stdoutBytes.substr(0, before.size()), before);
        EXPECT_TRUE(std::regex_match(run.stdoutBytes.substr(before.size(), boxLength), boxLine))
            << run.stdoutBytes.substr(before.size(), boxLength);
        EXPECT_EQ(run.stdoutBytes.substr(before.size() + boxLength), after);
        EXPECT_FALSE(fs::exists(tree.logPath()));
    }
}

// The order of the checks decides which failure is reported; the terminal
// name is checked only once the file has been found and has content.
TEST_F(RunControl, SourceFileAndTerminalNameChecks) {
    const std::string content = kRecord62p;
    runCases({
        {"missing file", {"nope.62p", "62p", "T1"}, std::nullopt, 90, "", einlesen("nope.62p") + kNotFoundLog},
        {"missing file, /D", {"nope.62p", "62p", "T1", "/D"}, std::nullopt, 90, kNotFound,
         einlesen("nope.62p") + kNotFoundLog},
        {"missing file, /d", {"nope.62p", "62p", "T1", "/d"}, std::nullopt, 90, kNotFound,
         einlesen("nope.62p") + kNotFoundLog},
        {"missing file, -D is no switch", {"nope.62p", "62p", "T1", "-D"}, std::nullopt, 90, "",
         einlesen("nope.62p") + kNotFoundLog},
        {"missing file, /D2 is no switch", {"nope.62p", "62p", "T1", "/D2"}, std::nullopt, 90, "",
         einlesen("nope.62p") + kNotFoundLog},
        {"missing file, bad terminal name", {"nope.62p", "62p", "/D"}, std::nullopt, 90, "",
         einlesen("nope.62p") + kNotFoundLog},

        {"white space only", {"in.62p", "62p", "T1"}, std::string("  \t\n \n"), 0, "",
         einlesen("in.62p") + kWhiteSpaceLog},
        {"white space only, bad terminal name", {"in.62p", "62p", kTerminal50}, std::string(" \n\t"), 0, "",
         einlesen("in.62p") + kWhiteSpaceLog},
        // CR LF line ends: white space in text mode (dta), content in binary mode.
        {"blanks and CR LF as dta", {"in.dta", "dta", "/d"}, std::string("  \r\n \r\n"), 0, "",
         einlesen("in.dta") + kWhiteSpaceLog},
        {"blanks and CR LF as 40p", {"in.40p", "40p", "/d"}, std::string("  \r\n \r\n"), 98,
         kTerminalErrorConsole, einlesen("in.40p") + kTerminalErrorLog},

        {"terminal of 50 characters", {"in.62p", "62p", kTerminal50}, content, 98, kTerminalErrorConsole,
         einlesen("in.62p") + kTerminalErrorLog},
        {"/D as terminal", {"in.62p", "62p", "/D"}, content, 98, kTerminalErrorConsole,
         einlesen("in.62p") + kTerminalErrorLog},
        {"/d as terminal, debug mode", {"in.62p", "62p", "/d", "/D"}, content, 98, kTerminalErrorConsole,
         einlesen("in.62p") + kTerminalErrorLog},
        {"empty file, bad terminal name", {"in.62p", "62p", "/D"}, std::string(), 98, kTerminalErrorConsole,
         einlesen("in.62p") + kEmptyLog + kTerminalErrorLog},
    });
}

// An unrecognised type still ends as a normal run: COMMIT, end lines, and
// the content check's result as exit code.
TEST_F(RunControl, UnrecognisedTypeEndsNormallyWithContentCheckResult) {
    const std::string content = "abc\n";
    runCases({
        {"xyz with content", {"in.xyz", "xyz", "T1"}, content, 0, kUnknownTypeConsole,
         einlesen("in.xyz") + "\r\nunbekannter Dateityp : XYZ\r\n" + kEndLines},
        {"xyz empty", {"in.xyz", "xyz", "T1"}, std::string(), 1, kUnknownTypeConsole,
         einlesen("in.xyz") + kEmptyLog + "\r\nunbekannter Dateityp : XYZ\r\n" + kEndLines},
        {"xyz, debug mode", {"in.xyz", "xyz", "T1", "/d"}, content, 0, kUnknownTypeConsole + "\n",
         einlesen("in.xyz") + "\r\nunbekannter Dateityp : XYZ\r\n" + kEndLines},
        {"d", {"in.d", "d", "T1"}, content, 0, kUnknownTypeConsole,
         einlesen("in.d") + "\r\nunbekannter Dateityp : D\r\n" + kEndLines},
        {"first three characters only", {"in.q", "q2345", "T1"}, content, 0, kUnknownTypeConsole,
         einlesen("in.q") + "\r\nunbekannter Dateityp : Q23\r\n" + kEndLines},
        {"terminal of 49 characters", {"in.xyz", "xyz", kTerminal49}, content, 0, kUnknownTypeConsole,
         einlesen("in.xyz") + "\r\nunbekannter Dateityp : XYZ\r\n" + kEndLines},
        {"empty terminal", {"in.xyz", "xyz", ""}, content, 0, kUnknownTypeConsole,
         einlesen("in.xyz") + "\r\nunbekannter Dateityp : XYZ\r\n" + kEndLines},
    });
}

// Only the first three characters of the type count, in any case; the rows
// are read over another connection, so they are there only if the run
// committed.
TEST_F(RunControl, TypeSelectsImporterAndRunCommits) {
    db.addTerminal("T1", 1, 1, 10);
    db.addZls("T1", 3, std::string("7"));
    db.addKid(7, std::string("KST7"), 1, 1);
    const std::string dtaLine = "T1,3,815,20240102,20240102080000,K05,000,SO=12\n";
    struct Case {
        const char* type;
        std::string source;
        const char* src;  // BewSrc of the row
    };
    const Case cases[] = {{"dtax", dtaLine, "dta"}, {"Dta", dtaLine, "dta"}, {"62p", kRecord62p, "62p"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        db.exec("DELETE FROM Korbanix.Kbx321Bew");
        TestTree tree;
        tree.writeFile("in.src", c.source);
        const ToolResult run = runTool(tree, {"in.src", c.type, "T1"});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.stdoutBytes, "");
        const std::vector<DbRow> rows = db.bookings();
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].at(1), DbValue("T1"));  // BewTID
        EXPECT_EQ(rows[0].at(17), DbValue(c.src));
    }
}

TEST_F(RunControl, LogOfOneImportByteForByte) {
    TestTree tree;
    tree.writeFile("in.62p", kRecord62p + kRecord62p);  // the second is a duplicate
    const std::time_t before = std::time(nullptr);
    const ToolResult run = runTool(tree, {"in.62p", "62p", "T1"});
    const std::time_t after = std::time(nullptr);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.stdoutBytes, "");

    std::tm stamp{};
    EXPECT_EQ(afterStartLines(tree.logBytes(), &stamp),
              einlesen("in.62p") +
                  "ID 815: Buchungssatz existiert bereits\r\n"
                  "ID: 815, Terminal: T1, Datum: 20240305000000, Uhrzeit: 20240305083015, Art: \r\n" +
                  kEndLines);
    // The start line holds the local time of the run.
    const std::time_t logged = std::mktime(&stamp);
    EXPECT_GE(logged, before - 1);
    EXPECT_LE(logged, after + 1);
    EXPECT_EQ(db.bookings().size(), 1u);
}

// The first line a run writes is the start separator; the pre-fill puts the
// log exactly at the threshold after it (kept), or one byte over (rotated).
// The line that crosses the threshold goes into the backup with the old log,
// and the next line begins a new one.
TEST_F(RunControl, LogRotatesOnlyAboveThreshold) {
    const std::size_t threshold = 10485760;
    struct Case {
        const char* what;
        std::size_t overshoot;
        bool existingBackup;
    };
    const Case cases[] = {
        {"exactly at the threshold", 0, false},
        {"one byte over, no backup yet", 1, false},
        {"one byte over, backup replaced", 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestTree tree;
        tree.writeFile("in.xyz", "abc");
        const std::string prefill(threshold - kStartSeparatorLine.size() + c.overshoot, 'x');
        tree.writeFile("../../Vellantra_php/log/MtrabeckLog.txt", prefill);
        if (c.existingBackup) tree.writeFile("../../Vellantra_php/log/MtrabeckLog.bak", "old backup\r\n");

        const ToolResult run = runTool(tree, {"in.xyz", "xyz", "T1"});
        EXPECT_EQ(run.exitCode, 0);

        const std::string backup = readFileBytes(tree.logBackupPath());
        const std::string log = tree.logBytes();
        const std::string rest = einlesen("in.xyz") + "\r\nunbekannter Dateityp : XYZ\r\n" + kEndLines;
        ASSERT_GE(backup.size(), prefill.size());
        EXPECT_TRUE(backup.compare(0, prefill.size(), prefill) == 0);
        const std::string backupTail = backup.substr(prefill.size());
        if (c.overshoot == 0) {
            // Kept at the separator; the start line then crosses the threshold.
            EXPECT_EQ(afterStartLines(backupTail), "");
            EXPECT_EQ(log, rest);
        } else {
            EXPECT_EQ(backupTail, kStartSeparatorLine);
            EXPECT_TRUE(std::regex_match(log.substr(0, 29), std::regex("Start : [0-9.]{10} [0-9:]{8}\r\n"))) << log;
            EXPECT_EQ(log.substr(29), rest);
        }
    }
}

// The log's lines of one run, each start line reduced to its shape.
std::vector<std::string> logLines(const std::string& log) {
    static const std::regex startLine("Start : [0-9]{2}\\.[0-9]{2}\\.[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}");
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t end; (end = log.find("\r\n", from)) != std::string::npos; from = end + 2) {
        std::string line = log.substr(from, end - from);
        lines.push_back(std::regex_match(line, startLine) ? "Start : <time>" : line);
    }
    EXPECT_EQ(from, log.size()) << "the log ends inside a line";
    return lines;
}

// Runs started in the same working directory share the log: while they run
// at the same time, every line must arrive whole and none may be lost. Each
// run reports every booking of the file as existing, two lines apiece.
TEST_F(RunControl, RunsAtTheSameTimeKeepEveryLogLineWhole) {
    constexpr int kRuns = 4;
    constexpr int kRecords = 250;
    std::string bytes;
    for (int i = 0; i < kRecords; ++i) {
        std::string badge = "B" + std::to_string(i);
        badge.resize(13, ' ');
        bytes += "050324083015001" "01" "AB" + badge + "X";
    }
    TestTree tree;
    tree.writeFile("in.62p", bytes);
    ASSERT_EQ(runTool(tree, {"in.62p", "62p", "T1"}).exitCode, 0);
    std::size_t before = tree.logBytes().size();
    ASSERT_EQ(runTool(tree, {"in.62p", "62p", "T1"}).exitCode, 0);
    const std::string oneRun = tree.logBytes().substr(before);
    before += oneRun.size();

    std::vector<std::future<ToolResult>> runs;
    for (int k = 0; k < kRuns; ++k) {
        runs.push_back(std::async(std::launch::async, [&tree] { return runTool(tree, {"in.62p", "62p", "T1"}); }));
    }
    for (auto& run : runs) EXPECT_EQ(run.get().exitCode, 0);

    const std::string log = tree.logBytes();
    ASSERT_GE(log.size(), before);
    std::vector<std::string> lines = logLines(log.substr(before));
    std::vector<std::string> expected;
    for (int k = 0; k < kRuns; ++k) {
        const std::vector<std::string> runLines = logLines(oneRun);
        expected.insert(expected.end(), runLines.begin(), runLines.end());
    }
    ASSERT_EQ(expected.size(), kRuns * (2 * kRecords + 9u));
    std::sort(lines.begin(), lines.end());
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> unexpected;
    std::vector<std::string> lost;
    std::set_difference(lines.begin(), lines.end(), expected.begin(), expected.end(), std::back_inserter(unexpected));
    std::set_difference(expected.begin(), expected.end(), lines.begin(), lines.end(), std::back_inserter(lost));
    EXPECT_TRUE(unexpected.empty() && lost.empty())
        << unexpected.size() << " lines split or merged, " << lost.size() << " lost; for example ["
        << (unexpected.empty() ? std::string() : unexpected.front()) << "]";
    EXPECT_EQ(db.bookings().size(), static_cast<std::size_t>(kRecords));
}

TEST_F(RunControl, MissingLogDirectoryLeavesExitCodeAlone) {
    TestTree tree;
    fs::remove_all(fs::path(tree.root()) / "Vellantra_php");
    tree.writeFile("in.xyz", "abc");
    ToolResult run = runTool(tree, {"in.xyz", "xyz", "T1"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.stdoutBytes, kUnknownTypeConsole);
    run = runTool(tree, {"nope.xyz", "xyz", "T1"});
    EXPECT_EQ(run.exitCode, 90);
    EXPECT_FALSE(fs::exists(fs::path(tree.root()) / "Vellantra_php"));
}

// A refused connection ends the run before the source file is looked at.
// Where the exit status is eight bits wide, 1045 arrives as 255; the log
// keeps the whole number.
TEST_F(RunControl, WrongPasswordEndsBeforeSourceFile) {
    for (const char* source : {"in.xyz", "nope.xyz"}) {
        SCOPED_TRACE(source);
        TestTree tree;
        tree.writeConfig(testDbUser(), testDbPassword() + "x", "");
        tree.writeFile("in.xyz", "abc");
        const ToolResult run = runTool(tree, {source, "xyz", "T1", "/D"});
        EXPECT_EQ(run.exitCode, toolExitStatus(1045));
        EXPECT_EQ(run.stdoutBytes, connectFailure(1045));
        EXPECT_EQ(afterStartLines(tree.logBytes()), "dbConnect-Fehler: 1045\r\n");
    }
}

// NET8 names the host: up to 41 characters are used, a longer value is
// ignored (not cut). The socket case runs with the TCP port closed, the TCP
// case with the socket missing, so that each can only succeed its own way.
// The Windows client library knows no Unix socket: there the default host is
// reached over TCP, so its cases keep the port open.
TEST_F(RunControl, Net8ChoosesHostAndTransport) {
    const char* socket = std::getenv("MYSQL_UNIX_PORT");
    const char* port = std::getenv("MYSQL_TCP_PORT");
    ASSERT_TRUE(socket != nullptr && port != nullptr) << "run through scripts/test.sh";
    const Env noTcp = toolRunsUnderWine() ? Env{} : Env{{"MYSQL_TCP_PORT", "1"}};
    const Env noSocket = {{"MYSQL_UNIX_PORT", std::string(socket) + ".missing"}};
    // 41 characters that no resolver knows.
    const std::string unknownHost = "no-such-host-" + std::string(20, 'q') + ".invalid";
    ASSERT_EQ(unknownHost.size(), 41u);
    const std::string ignoredHost = unknownHost + "q";

    struct Case {
        const char* what;
        std::string net8;
        Env env;
        int exitCode;
        std::string console;
        std::string logAfterStart;
    };
    const std::string normalRun = einlesen("in.xyz") + "\r\nunbekannter Dateityp : XYZ\r\n" + kEndLines;
    const Case cases[] = {
        {"no NET8: socket", "", noTcp, 0, kUnknownTypeConsole, normalRun},
        {"localhost: socket", "localhost", noTcp, 0, kUnknownTypeConsole, normalRun},
        {"127.0.0.1: TCP", "127.0.0.1", noSocket, 0, kUnknownTypeConsole, normalRun},
        {"42 characters ignored: socket", ignoredHost, noTcp, 0, kUnknownTypeConsole, normalRun},
        {"41 characters used", unknownHost, {}, toolExitStatus(2005), connectFailure(2005),
         "dbConnect-Fehler: 2005\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestTree tree(c.net8);
        tree.writeFile("in.xyz", "abc");
        const ToolResult run = runTool(tree, {"in.xyz", "xyz", "T1"}, c.env);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.stdoutBytes, c.console);
        EXPECT_EQ(afterStartLines(tree.logBytes()), c.logAfterStart);
    }
}

}  // namespace
