// Faults in the middle of large imports: the tool's connection is killed, its
// server is shut down or crashes, or the tool itself is killed, each at a
// random moment (fixed seed, printed). Whatever happens, a run either leaves
// all of its bookings or none of them (they form one transaction), exits 0
// only when all of them are there, records every failure in the run log,
// and a second run afterwards completes the import. A second test loses the
// connection exactly while the COMMIT waits, after every INSERT succeeded.
//
// The faults hit a server of this test's own, so that stopping it disturbs
// no other test. MOLTRABECK_STRESS_SEED picks another sequence of faults.
#include <gtest/gtest.h>
#include <mysql.h>
#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "tests/stress/booking_files.h"
#include "tests/stress/private_server.h"
#include "tests/stress/tool_process.h"
#include "tests/support/support.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned kDefaultSeed = 20240611;
constexpr int kTrialsPerFault = 8;
constexpr int kRunTimeoutSeconds = 180;
constexpr const char* kTerminal = "FI1";
constexpr const char* kLogEnd = "\r\nENDE\r\n<========================================\r\n";

enum class Fault { KillConnection, ServerShutdown, ServerCrash, KillTool };
constexpr Fault kFaults[] = {Fault::KillConnection, Fault::ServerShutdown, Fault::ServerCrash, Fault::KillTool};

const char* faultName(Fault fault) {
    switch (fault) {
        case Fault::KillConnection: return "KILL CONNECTION";
        case Fault::ServerShutdown: return "server SIGTERM";
        case Fault::ServerCrash: return "server SIGKILL";
        case Fault::KillTool: return "tool SIGKILL";
    }
    return "?";
}

struct SourceFile {
    const char* type;
    const char* name;
    std::string bytes;
    long bookings;
    long cleanRunMs = 0;
};

unsigned seedFromEnvironment() {
    const char* text = std::getenv("MOLTRABECK_STRESS_SEED");
    return text != nullptr && *text != '\0' ? static_cast<unsigned>(std::strtoul(text, nullptr, 10)) : kDefaultSeed;
}

// The number after the first occurrence of marker, when there is one.
bool numberAfter(const std::string& text, const std::string& marker, int& number) {
    const std::size_t at = text.find(marker);
    if (at == std::string::npos) return false;
    number = std::atoi(text.c_str() + at + marker.size());
    return true;
}

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// A run that ended through exit has logged why it failed, and its exit
// status is the one that its first failure gives. Returns the failure that
// decided the exit status, for the trial's summary line.
std::string expectFailureRecorded(const std::string& log, int exitCode) {
    int connectError = 0;
    int insertError = 0;
    int commitError = 0;
    const bool connectFailed = numberAfter(log, "\r\ndbConnect-Fehler: ", connectError);
    const bool insertFailed = numberAfter(log, "\r\n\r\nInsert-Fehler: ", insertError);
    const bool commitFailed = numberAfter(log, "\r\nCOMMIT-Fehler: ", commitError);
    if (exitCode == 0) {
        EXPECT_FALSE(connectFailed || insertFailed || commitFailed) << "a failure was logged, yet the run exited 0";
        EXPECT_TRUE(endsWith(log, kLogEnd)) << "the log does not end with the end lines";
        return "";
    }
    if (connectFailed) {
        EXPECT_EQ(exitCode, platformExitStatus(connectError));
        return "dbConnect-Fehler " + std::to_string(connectError);
    }
    EXPECT_TRUE(endsWith(log, kLogEnd)) << "the log does not end with the end lines";
    if (!insertFailed && !commitFailed) {
        ADD_FAILURE() << "exit " << exitCode << " without an Insert-Fehler or COMMIT-Fehler line";
        return "nothing logged";
    }
    EXPECT_EQ(exitCode, platformExitStatus(insertFailed ? insertError : commitError));
    return insertFailed ? "Insert-Fehler " + std::to_string(insertError) : "COMMIT-Fehler " + std::to_string(commitError);
}

// A session of the server's administrator (the account of the user running
// the test, through the socket), for what the test account may not do.
class AdminSession {
public:
    AdminSession() {
        const passwd* user = ::getpwuid(::geteuid());
        const char* socket = std::getenv("MYSQL_UNIX_PORT");
        connection_ = mysql_init(nullptr);
        if (connection_ != nullptr && user != nullptr &&
            mysql_real_connect(connection_, nullptr, user->pw_name, nullptr, nullptr, 0, socket, 0) == nullptr) {
            ADD_FAILURE() << "administrator session: " << mysql_error(connection_);
            mysql_close(connection_);
            connection_ = nullptr;
        }
    }
    ~AdminSession() {
        if (connection_ != nullptr) mysql_close(connection_);
    }
    AdminSession(const AdminSession&) = delete;
    AdminSession& operator=(const AdminSession&) = delete;

    bool exec(const std::string& sql) {
        if (connection_ == nullptr) return false;
        if (mysql_real_query(connection_, sql.data(), sql.size()) != 0) {
            ADD_FAILURE() << sql << ": " << mysql_error(connection_);
            return false;
        }
        return true;
    }

private:
    MYSQL* connection_ = nullptr;
};

class FaultInjection : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server_ = new PrivateServer;
        if (server_->start(startError_)) server_->useFromThisProcess();
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(startError_.empty()) << startError_; }

    static PrivateServer* server_;
    static std::string startError_;

    std::unique_ptr<TestDb> db_;

    void connectDb() { db_ = std::make_unique<TestDb>(); }

    long bookingCount() {
        const DbValue count = db_->scalar("SELECT COUNT(*) FROM Korbanix.Kbx321Bew");
        return count ? std::atol(count->c_str()) : -1;
    }

    // The sessions of the tool: every session but the test's own.
    std::vector<std::string> toolSessions() {
        std::vector<std::string> ids;
        for (const DbRow& row : db_->query("SELECT ID FROM information_schema.PROCESSLIST WHERE ID <> CONNECTION_ID() "
                                           "AND USER = '" + testDbUser() + "'")) {
            if (row[0]) ids.push_back(*row[0]);
        }
        return ids;
    }

    // Waits until the server has finished with the tool's session (a killed
    // session rolls its transaction back first), so that what the table
    // shows afterwards no longer changes.
    void waitForToolSessionsToEnd() {
        const auto deadline = Clock::now() + std::chrono::seconds(60);
        while (!toolSessions().empty()) {
            ASSERT_LT(Clock::now(), deadline) << "the tool's session is still open 60 s after the tool ended";
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    // Kills the tool's session as soon as it has one; false when the tool
    // ended before it was found.
    bool killToolSession(ToolProcess& tool) {
        for (;;) {
            const std::vector<std::string> ids = toolSessions();
            if (!ids.empty()) {
                db_->tryExec("KILL CONNECTION " + ids.front());
                return true;
            }
            if (!tool.running()) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    // The tool's session once it runs a statement that contains the text;
    // empty when the tool ends or 60 s pass first.
    std::string toolSessionRunning(ToolProcess& tool, const std::string& text) {
        const auto deadline = Clock::now() + std::chrono::seconds(60);
        while (tool.running() && Clock::now() < deadline) {
            const std::vector<DbRow> rows = db_->query(
                "SELECT ID FROM information_schema.PROCESSLIST WHERE ID <> CONNECTION_ID() AND INFO LIKE " +
                db_->literal("%" + text + "%"));
            if (!rows.empty() && rows[0][0]) return *rows[0][0];
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return "";
    }

    long runClean(SourceFile& file) {
        db_->exec("TRUNCATE TABLE Korbanix.Kbx321Bew");
        TestTree tree;
        tree.writeFile(file.name, file.bytes);
        const auto start = Clock::now();
        ToolProcess tool(tree, {file.name, file.type, kTerminal}, tree.root() + "/stdout.txt");
        const ToolEnd end = tool.wait(kRunTimeoutSeconds);
        const long ms = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
        EXPECT_TRUE(end.exited && end.exitCode == 0) << "clean run of the " << file.type << " file: exit " << end.exitCode
                                                     << ", signal " << end.signal;
        EXPECT_EQ(bookingCount(), file.bookings);
        return ms;
    }
};

PrivateServer* FaultInjection::server_ = nullptr;
std::string FaultInjection::startError_;

TEST_F(FaultInjection, EveryRunLeavesAllOrNoneOfItsBookingsAndARerunCompletesIt) {
    const unsigned seed = seedFromEnvironment();
    std::printf("fault injection: seed %u (MOLTRABECK_STRESS_SEED=%u repeats this sequence)\n", seed, seed);
    std::mt19937 random(seed);

    connectDb();
    db_->resetTables();
    db_->addTerminal(kTerminal, 1, 10, 1);
    db_->addKid(100, std::string("K100"), 1, 10);
    db_->addTta(1, 1, 3, std::string("1"), std::string("KOM"));

    SourceFile files[] = {
        {"62p", "big.62p", make62pFile(bookingRange(0, 20000)), 20000},
        {"50p", "big.50p", make50pFile(bookingRange(0, 5000), 100), 5000},
    };
    for (SourceFile& file : files) {
        file.cleanRunMs = runClean(file);
        std::printf("fault injection: clean %s run of %ld bookings: %ld ms\n", file.type, file.bookings, file.cleanRunMs);
    }
    if (HasFailure()) return;

    std::vector<Fault> plan;
    for (Fault fault : kFaults) plan.insert(plan.end(), kTrialsPerFault, fault);
    std::shuffle(plan.begin(), plan.end(), random);

    int interrupted[4] = {};
    for (std::size_t trial = 0; trial < plan.size(); ++trial) {
        const Fault fault = plan[trial];
        SourceFile& file = files[trial % 2];
        // Up to a little past the clean run's length: now and then the fault
        // comes after the COMMIT, or hits the connection setup.
        std::uniform_int_distribution<long> moment(0, file.cleanRunMs * 11 / 10);
        const long delayMs = moment(random);
        SCOPED_TRACE("trial " + std::to_string(trial) + ": " + faultName(fault) + " after " + std::to_string(delayMs) +
                     " ms into a " + file.type + " run (seed " + std::to_string(seed) + ")");

        db_->exec("TRUNCATE TABLE Korbanix.Kbx321Bew");
        TestTree tree;
        tree.writeFile(file.name, file.bytes);
        ToolProcess tool(tree, {file.name, file.type, kTerminal}, tree.root() + "/stdout.txt");
        ASSERT_TRUE(tool.started());
        const auto faultAt = Clock::now() + std::chrono::milliseconds(delayMs);
        while (Clock::now() < faultAt && tool.running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));

        bool serverStopped = false;
        const char* note = "";
        switch (fault) {
            case Fault::KillConnection:
                if (!killToolSession(tool)) note = " (the tool had ended)";
                break;
            case Fault::ServerShutdown:
            case Fault::ServerCrash:
                db_.reset();
                ASSERT_TRUE(server_->stop(fault == Fault::ServerCrash ? SIGKILL : SIGTERM)) << "the server does not stop";
                serverStopped = true;
                break;
            case Fault::KillTool:
                ::kill(tool.pid(), SIGKILL);
                break;
        }
        const ToolEnd end = tool.wait(kRunTimeoutSeconds);
        ASSERT_FALSE(end.timedOut) << "the tool did not end within " << kRunTimeoutSeconds << " s after the fault";
        if (serverStopped) {
            std::string error;
            ASSERT_TRUE(server_->restart(error)) << error;
        }
        if (!db_) connectDb();
        waitForToolSessionsToEnd();

        // No crash: a signal ends the tool only where the test sent one.
        std::string logged;
        if (!end.exited) {
            EXPECT_TRUE(fault == Fault::KillTool && end.signal == SIGKILL) << "the tool died of signal " << end.signal;
        } else {
            logged = expectFailureRecorded(tree.logBytes(), end.exitCode);
        }
        const bool failed = !end.exited || end.exitCode != 0;
        if (failed) ++interrupted[static_cast<int>(fault)];

        const long left = bookingCount();
        if (failed) {
            EXPECT_TRUE(left == 0 || left == file.bookings)
                << left << " of " << file.bookings << " bookings are in the table after a failed run";
        } else {
            EXPECT_EQ(left, file.bookings) << "the run exited 0";
        }

        // The same file once more, with the server up: what is there comes
        // back as existing, the rest is inserted.
        TestTree again;
        again.writeFile(file.name, file.bytes);
        ToolProcess rerun(again, {file.name, file.type, kTerminal}, again.root() + "/stdout.txt");
        const ToolEnd rerunEnd = rerun.wait(kRunTimeoutSeconds);
        EXPECT_TRUE(rerunEnd.exited && rerunEnd.exitCode == 0)
            << "re-run: exit " << rerunEnd.exitCode << ", signal " << rerunEnd.signal;
        const std::string rerunLog = again.logBytes();
        EXPECT_EQ(occurrences(rerunLog, ": Buchungssatz existiert bereits\r\n"), static_cast<std::size_t>(left > 0 ? left : 0));
        EXPECT_EQ(occurrences(rerunLog, "Insert-Fehler"), 0u);
        waitForToolSessionsToEnd();
        EXPECT_EQ(bookingCount(), file.bookings) << "after the re-run";

        std::printf("fault injection: trial %2zu: %-15s after %5ld ms (%s): %s %3d%s%s%s, %ld of %ld bookings kept; "
                    "re-run exit %d\n",
                    trial, faultName(fault), delayMs, file.type, end.exited ? "exit" : "signal",
                    end.exited ? end.exitCode : end.signal, note, logged.empty() ? "" : ", logged ", logged.c_str(),
                    left, file.bookings, rerunEnd.exitCode);
        std::fflush(stdout);
        if (HasFatalFailure()) return;
    }

    // Each kind of fault must have struck at least one run while it worked;
    // otherwise this test proved nothing about it.
    for (Fault fault : kFaults) {
        EXPECT_GE(interrupted[static_cast<int>(fault)], 1) << faultName(fault) << " never interrupted a run";
    }
}

// The connection is lost while the COMMIT waits: every INSERT succeeded,
// yet the bookings are gone, so the run must fail and say so.
TEST_F(FaultInjection, ALostCommitFailsTheRunAndLeavesNoBooking) {
    constexpr int kBookings = 2000;
    const std::string lastBadge = stressBadge(kBookings - 1);
    connectDb();
    db_->resetTables();
    // The last INSERT lingers, so that commits can be blocked before the
    // tool's COMMIT comes.
    db_->exec("CREATE TRIGGER Korbanix.stress_slow_last BEFORE INSERT ON Korbanix.Kbx321Bew FOR EACH ROW "
              "IF NEW.BewIDN = " + db_->literal(lastBadge) + " THEN DO SLEEP(2); END IF");
    AdminSession admin;

    TestTree tree;
    tree.writeFile("in.62p", make62pFile(bookingRange(0, kBookings)));
    ToolProcess tool(tree, {"in.62p", "62p", kTerminal}, tree.root() + "/stdout.txt");
    // While the trigger sleeps, the session shows the trigger's statement.
    ASSERT_FALSE(toolSessionRunning(tool, "DO SLEEP").empty()) << "the tool never reached its last INSERT";
    // Blocks every COMMIT from now on without waiting for the INSERT.
    ASSERT_TRUE(admin.exec("BACKUP STAGE START") && admin.exec("BACKUP STAGE FLUSH") &&
                admin.exec("BACKUP STAGE BLOCK_DDL") && admin.exec("BACKUP STAGE BLOCK_COMMIT"));
    const std::string session = toolSessionRunning(tool, "COMMIT");
    ASSERT_FALSE(session.empty()) << "the tool's COMMIT never waited for the lock";
    admin.exec("KILL CONNECTION " + session);
    admin.exec("BACKUP STAGE END");

    const ToolEnd end = tool.wait(kRunTimeoutSeconds);
    ASSERT_TRUE(end.exited) << "signal " << end.signal;
    const std::string log = tree.logBytes();
    EXPECT_EQ(expectFailureRecorded(log, end.exitCode).rfind("COMMIT-Fehler ", 0), 0u) << log.substr(0, 2000);
    EXPECT_NE(end.exitCode, 0);
    waitForToolSessionsToEnd();
    EXPECT_EQ(bookingCount(), 0);
}

}  // namespace
