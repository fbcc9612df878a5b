// Four runs at once on overlapping files of the same terminal, started in the
// same working directory so that they share one run log. They block each
// other on the bookings they have in common and may deadlock; a run that
// fails says so in its exit status, and once the failed runs are repeated
// every booking is in the table exactly once. Every line of the shared log
// must be one whole line of a known shape.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/stress/booking_files.h"
#include "tests/stress/tool_process.h"
#include "tests/support/support.h"

namespace {

constexpr const char* kTerminal = "CT1";
constexpr int kRuns = 4;
constexpr int kFileBookings = 3000;
constexpr int kFileOffset = 1000;  // run j imports bookings j*1000 .. j*1000+2999
constexpr int kDeadlock = 1213;
constexpr int kAllBookings = (kRuns - 1) * kFileOffset + kFileBookings;
constexpr int kRunTimeoutSeconds = 180;

enum class Order { Ascending, Descending, Shuffled };

std::vector<int> ordered(std::vector<int> bookings, Order order, std::mt19937& random) {
    if (order == Order::Descending) std::reverse(bookings.begin(), bookings.end());
    if (order == Order::Shuffled) std::shuffle(bookings.begin(), bookings.end(), random);
    return bookings;
}

// The first "Insert-Fehler: <n>" of a run's console output.
bool firstInsertError(const std::string& console, int& number) {
    const std::string marker = "Insert-Fehler: ";
    const std::size_t at = console.find(marker);
    if (at == std::string::npos) return false;
    number = std::atoi(console.c_str() + at + marker.size());
    return true;
}

// Checks that the log consists of whole CR LF lines of the shapes these runs
// write; returns how many runs were open at the same time at most.
int checkLogLines(const std::string& log, int runs) {
    static const std::regex shapes(
        "|========================================>|<========================================|ENDE"
        "|Start : [0-9]{2}\\.[0-9]{2}\\.[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}"
        "|Einlesen Datei run[0-9]\\.62p"
        "|ID S[0-9]+: Buchungssatz existiert bereits"
        "|ID: S[0-9]+, Terminal: CT1, Datum: [0-9]{14}, Uhrzeit: [0-9]{14}, Art: "
        "|Insert-Fehler: -?[0-9]+|COMMIT-Fehler: -?[0-9]+");
    int open = 0;
    int mostOpen = 0;
    int starts = 0;
    int ends = 0;
    std::size_t badLines = 0;
    std::size_t at = 0;
    while (at < log.size()) {
        const std::size_t end = log.find("\r\n", at);
        if (end == std::string::npos) {
            ADD_FAILURE() << "the log ends inside a line: " << log.substr(at, 200);
            break;
        }
        const std::string line = log.substr(at, end - at);
        at = end + 2;
        if (line.find_first_of("\r\n") != std::string::npos || !std::regex_match(line, shapes)) {
            if (++badLines <= 5) ADD_FAILURE() << "log line of no known shape: \"" << line << "\"";
            continue;
        }
        if (line.compare(0, 8, "Start : ") == 0) {
            ++starts;
            mostOpen = std::max(mostOpen, ++open);
        } else if (line == "ENDE") {
            ++ends;
            --open;
        }
    }
    EXPECT_EQ(badLines, 0u);
    EXPECT_EQ(starts, runs);
    EXPECT_EQ(ends, runs);
    return mostOpen;
}

TEST(Concurrency, OverlappingRunsEndWithEveryBookingOnceAndAWholeLog) {
    TestDb db;
    std::mt19937 random(4242);
    const Order orders[][kRuns] = {
        {Order::Ascending, Order::Ascending, Order::Ascending, Order::Ascending},
        {Order::Ascending, Order::Descending, Order::Ascending, Order::Descending},
        {Order::Shuffled, Order::Shuffled, Order::Descending, Order::Shuffled},
    };
    int mostOpenEver = 0;
    std::map<std::string, int> failures;  // how runs failed -> how many

    for (const auto& round : orders) {
        db.resetTables();
        TestTree tree;
        std::vector<std::string> names;
        for (int run = 0; run < kRuns; ++run) {
            names.push_back("run" + std::to_string(run) + ".62p");
            tree.writeFile(names.back(),
                           make62pFile(ordered(bookingRange(run * kFileOffset, kFileBookings), round[run], random)));
        }

        std::vector<std::unique_ptr<ToolProcess>> tools;
        for (int run = 0; run < kRuns; ++run) {
            tools.push_back(std::make_unique<ToolProcess>(tree, std::vector<std::string>{names[run], "62p", kTerminal},
                                                          tree.root() + "/stdout" + std::to_string(run) + ".txt"));
        }
        std::vector<int> failedRuns;
        std::vector<int> deadlocked;
        for (int run = 0; run < kRuns; ++run) {
            SCOPED_TRACE(names[run]);
            const ToolEnd end = tools[run]->wait(kRunTimeoutSeconds);
            ASSERT_TRUE(end.exited) << "signal " << end.signal << (end.timedOut ? " after the timeout" : "");
            const std::string console = readFileBytes(tree.root() + "/stdout" + std::to_string(run) + ".txt");
            int error = 0;
            const bool insertFailed = firstInsertError(console, error);
            if (end.exitCode == 0) {
                EXPECT_FALSE(insertFailed) << "an insert failed, yet the run exited 0";
                continue;
            }
            ++failures[(insertFailed ? "Insert-Fehler " + std::to_string(error) : std::string("COMMIT-Fehler")) +
                       ", exit status " + std::to_string(end.exitCode)];
            if (insertFailed && error == kDeadlock) deadlocked.push_back(run);
            if (insertFailed) {
                EXPECT_EQ(end.exitCode, platformExitStatus(error));
            } else {
                EXPECT_NE(tree.logBytes().find("COMMIT-Fehler: "), std::string::npos)
                    << "exit " << end.exitCode << " with no failure reported";
            }
            failedRuns.push_back(run);
        }
        // The server rolls a deadlocked run's whole transaction back, so none
        // of its bookings may stay, also none inserted after the deadlock.
        // The first and the last file each hold bookings no other file has.
        for (int run : deadlocked) {
            int first = -1;
            if (run == 0) first = 0;
            if (run == kRuns - 1) first = run * kFileOffset + kFileBookings - kFileOffset;
            if (first < 0) continue;
            std::string badges;
            for (int k = first; k < first + kFileOffset; ++k) badges += (k == first ? "'" : ",'") + stressBadge(k) + "'";
            EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM Korbanix.Kbx321Bew WHERE BewIDN IN (" + badges + ")"), "0")
                << names[run] << " was deadlocked yet kept some of its own bookings";
        }
        // Once the others have ended, each failed file goes through alone.
        for (int run : failedRuns) {
            ToolProcess rerun(tree, {names[run], "62p", kTerminal}, tree.root() + "/rerun.txt");
            const ToolEnd rerunEnd = rerun.wait(kRunTimeoutSeconds);
            EXPECT_TRUE(rerunEnd.exited && rerunEnd.exitCode == 0) << names[run] << " re-run: exit " << rerunEnd.exitCode;
        }
        const int runs = kRuns + static_cast<int>(failedRuns.size());

        const std::vector<DbRow> rows =
            db.query("SELECT BewIDN, COUNT(*) FROM Korbanix.Kbx321Bew GROUP BY BewIDN HAVING COUNT(*) > 1");
        EXPECT_TRUE(rows.empty()) << rows.size() << " bookings are in the table more than once";
        std::vector<std::string> badges;
        for (const DbRow& row : db.query("SELECT BewIDN FROM Korbanix.Kbx321Bew")) badges.push_back(row[0].value_or(""));
        std::vector<std::string> expected;
        for (int k = 0; k < kAllBookings; ++k) expected.push_back(stressBadge(k));
        std::sort(badges.begin(), badges.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(badges.size(), expected.size());
        EXPECT_TRUE(badges == expected) << "the table does not hold exactly the bookings of the four files";

        mostOpenEver = std::max(mostOpenEver, checkLogLines(tree.logBytes(), runs));
    }

    for (const auto& [how, count] : failures) {
        std::printf("concurrency: %d run(s) failed with %s and went through when repeated\n", count, how.c_str());
    }
    // Otherwise the runs never overlapped and this test showed nothing.
    EXPECT_GE(mostOpenEver, 2) << "the runs never overlapped";
}

}  // namespace
