#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "db/buchungssatz.h"
#include "formats/canteen.h"
#include "run/run_state.h"

namespace {

using CanteenCall = std::array<std::string, 7>;
std::vector<CanteenCall> sinkCalls;
std::int32_t sinkStatus = 0;

}  // namespace

// Stands in for the program's sink: records what it is handed.
std::int32_t pflegeKantinendaten(const char* ausweisNr, const char* buchDatum, const char* buchZeit,
                                 const char* nummer, const char* kennung, const char* kantinenArt,
                                 const char* bonWert) {
    sinkCalls.push_back({ausweisNr, buchDatum, buchZeit, nummer, kennung, kantinenArt, bonWert});
    return sinkStatus;
}

namespace {

Buchungssatz booking(const char* src, const char* idn, const char* art, const char* era, const char* ber,
                     const char* uhr = "20240131123456") {
    Buchungssatz record{};
    setField(record.BewSrc, src);
    setField(record.BewIDN, idn);
    setField(record.BewDtm, "20240131");
    setField(record.BewUhr, uhr);
    setField(record.BewArt, art);
    setField(record.BewEra, era);
    setField(record.BewBer, ber);
    return record;
}

CanteenCall handOff(const Buchungssatz& record) {
    sinkCalls.clear();
    sinkStatus = 0;
    EXPECT_EQ(bucheKantine(record), 1);
    EXPECT_EQ(sinkCalls.size(), 1u);
    return sinkCalls.empty() ? CanteenCall{} : sinkCalls.front();
}

TEST(BucheKantine, DerivesTheSevenValues) {
    EXPECT_EQ(handOff(booking("dta", "815", "K02", "100", "")),
              (CanteenCall{"815", "20240131", "1234", "01", "_K", "K02", "0001"}));

    const struct {
        Buchungssatz record;
        const char* kantinenArt;
        const char* bonWert;
    } cases[] = {
        {booking("dta", "815", "K03", "000", "1"), "K03", "0000"},
        {booking("dta", "815", "K01", "10", "1"), "K01", "0000"},
        {booking("dta", "815", "K01", "101", "1"), "K01", "0000"},
        {booking("40p", "815", "K07", "100", "1"), "K01", "0001"},
        {booking("40p", "815", "", "", "0"), "K01", "0000"},
        {booking("40p", "815", "", "", "2"), "K01", "0000"},
        {booking("40p", "815", "", "", ""), "K01", "0000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.record.BewSrc) + " Era " + c.record.BewEra + " Ber " + c.record.BewBer);
        const CanteenCall call = handOff(c.record);
        EXPECT_EQ(call[5], c.kantinenArt);
        EXPECT_EQ(call[6], c.bonWert);
    }

    const std::pair<const char*, const char*> times[] = {
        {"20240131123456", "1234"}, {"20240131", ""}, {"2024", ""}, {"202401319", "9"}, {"", ""},
    };
    for (const auto& [uhr, zeit] : times) {
        EXPECT_EQ(handOff(booking("40p", "815", "", "", "1", uhr))[2], zeit) << uhr;
    }
    EXPECT_EQ(handOff(booking("40p", "1234567890123", "", "", "1"))[0], "12345678");
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(BucheKantine, ReportsASinkFailureInLogAndConsole) {
    char dir[] = "/tmp/mb_canteen_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string logPath = std::string(dir) + "/log.txt";
    const std::string backupPath = std::string(dir) + "/log.bak";
    const char* const savedLog = logFilePath;
    const char* const savedBackup = logBackupPath;
    logFilePath = logPath.c_str();
    logBackupPath = backupPath.c_str();
    logEnabled = 1;
    debugMode = 0;

    sinkCalls.clear();
    sinkStatus = 1205;
    testing::internal::CaptureStdout();
    EXPECT_EQ(bucheKantine(booking("dta", "815", "K02", "100", "")), 1);
    const std::string console = testing::internal::GetCapturedStdout();
    sinkStatus = 0;
    logEnabled = 0;
    logFilePath = savedLog;
    logBackupPath = savedBackup;

    EXPECT_EQ(console,
              "Kantinendaten konnten nicht eingepflegt werden.\n"
              "SQLFehler: 1205 Ausweis: 815  Datum/Uhrzeit: 20240131 1234  Bon: 0001!\n");
    EXPECT_EQ(readFile(logPath),
              "Kantinendaten konnten nicht eingepflegt werden:\r\n"
              "SQLFehler: 1205 Ausweis: 815  Datum/Uhrzeit: 20240131 1234  Bon: 0001!\r\n");
    std::remove(logPath.c_str());
    rmdir(dir);
}

}  // namespace
