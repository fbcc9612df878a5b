// The run log: one appended line per call, rotated once past the threshold.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <regex>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "run/run_log.h"
#include "run/run_state.h"
#include "run/widths.h"
#include "tests/platform/temp_dir.h"

namespace {

class RunLog : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.ok());
        log = dir.file("log.txt");
        bak = dir.file("log.bak");
        logFilePath = log.c_str();
        logBackupPath = bak.c_str();
        logEnabled = 1;
    }
    void TearDown() override {
        logFilePath = kLogFilePath;
        logBackupPath = kLogBackupPath;
        logEnabled = 0;
    }

    // A log of the given size, so that the next line lands on the threshold.
    void makeLogOfSize(long size) {
        dir.write("log.txt", "");
        ASSERT_EQ(::truncate(log.c_str(), size), 0);
    }

    static bool exists(const std::string& path) {
        struct stat info;
        return ::stat(path.c_str(), &info) == 0;
    }
    static long sizeOf(const std::string& path) {
        struct stat info;
        return ::stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : -1;
    }
    static std::string tail(const std::string& path, std::size_t n) {
        std::string all = readBytes(path);
        return all.size() < n ? all : all.substr(all.size() - n);
    }

    TempDir dir;
    std::string log;
    std::string bak;
};

TEST_F(RunLog, AppendsLinesWithCrLf) {
    writeLog(logFilePath, "\n\n===>");
    writeLog(logFilePath, "Quelldatei auf Server nicht gefunden\n");
    logFormatted("Start : %s", "05.03.2024 07:08:09");
    EXPECT_EQ(readBytes(log),
              "\r\n\r\n===>\r\n"
              "Quelldatei auf Server nicht gefunden\r\n\r\n"
              "Start : 05.03.2024 07:08:09\r\n");
}

TEST_F(RunLog, WritesNothingWhileDisabled) {
    logEnabled = 0;
    writeLog(logFilePath, "line");
    logFormatted("%s", "line");
    EXPECT_FALSE(exists(log));
}

TEST_F(RunLog, MissingDirectoryDropsTheLineSilently) {
    std::string lost = dir.file("nodir/log.txt");
    writeLog(lost.c_str(), "line");
    EXPECT_FALSE(exists(lost));
}

TEST_F(RunLog, ExactlyTheThresholdStays) {
    makeLogOfSize(widths::kLogRotateBytes - 6);
    writeLog(logFilePath, "ENDE");  // 4 characters and CR LF
    EXPECT_EQ(sizeOf(log), widths::kLogRotateBytes);
    EXPECT_FALSE(exists(bak));
}

TEST_F(RunLog, OneByteOverRotatesWithTheLineInTheBackup) {
    for (bool backupExists : {false, true}) {
        SCOPED_TRACE(backupExists ? "old backup replaced" : "no backup yet");
        ::unlink(bak.c_str());
        if (backupExists) {
            dir.write("log.bak", "old backup");
        }
        makeLogOfSize(widths::kLogRotateBytes - 5);
        writeLog(logFilePath, "ENDE");

        EXPECT_FALSE(exists(log));
        EXPECT_EQ(sizeOf(bak), widths::kLogRotateBytes + 1);
        EXPECT_EQ(tail(bak, 6), "ENDE\r\n");

        writeLog(logFilePath, "next");
        EXPECT_EQ(readBytes(log), "next\r\n");
    }
}

TEST_F(RunLog, FormattedLineIsBoundedByTheMessageBuffer) {
    std::string huge(2 * widths::kLogMessage, 'p');
    logFormatted("\nEinlesen Datei %s", huge.c_str());
    EXPECT_EQ(std::strlen(logMessage), widths::kLogMessage - 1);
    EXPECT_EQ(sizeOf(log), static_cast<long>(widths::kLogMessage - 1 + 2 + 1));
}

TEST(Timestamp, ZeroPaddedFieldsAndFourDigitYear) {
    std::tm time{};
    time.tm_mday = 5;
    time.tm_mon = 2;
    time.tm_year = 124;
    time.tm_hour = 7;
    time.tm_min = 8;
    time.tm_sec = 9;
    char text[widths::kTimestamp];
    formatTimestamp(time, text, sizeof text);
    EXPECT_STREQ(text, "05.03.2024 07:08:09");

    time.tm_year = -1800;  // the year 100
    formatTimestamp(time, text, sizeof text);
    EXPECT_STREQ(text, "05.03.0100 07:08:09");

    EXPECT_TRUE(std::regex_match(getTimestamp(),
                                 std::regex(R"(\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d)")));
}

}  // namespace
