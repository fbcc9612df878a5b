#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "db/buchungssatz.h"
#include "formats/record_fill.h"
#include "formats/split_line.h"
#include "formats/string_list.h"
#include "run/widths.h"

namespace {

using Fields = std::map<std::string, std::string>;

Fields fieldsOf(const Buchungssatz& r) {
    return {{"BewSch", r.BewSch}, {"BewTID", r.BewTID}, {"BewLID", r.BewLID}, {"BewIDN", r.BewIDN},
            {"BewSto", r.BewSto}, {"BewDtm", r.BewDtm}, {"BewUhr", r.BewUhr}, {"BewLfn", r.BewLfn},
            {"BewArt", r.BewArt}, {"BewTas", r.BewTas}, {"BewEra", r.BewEra}, {"BewKze", r.BewKze},
            {"BewBer", r.BewBer}, {"BewErq", r.BewErq}, {"BewSta", std::to_string(r.BewSta)},
            {"BewKst", r.BewKst}, {"BewQua", r.BewQua}, {"BewRes", r.BewRes}, {"BewSrc", r.BewSrc}};
}

// Only the fields named in expected are compared.
void expectFields(const Buchungssatz& record, const Fields& expected) {
    const Fields actual = fieldsOf(record);
    for (const auto& [name, value] : expected) EXPECT_EQ(actual.at(name), value) << name;
}

// A record that is dirty everywhere, so that a fill must clear it.
Buchungssatz dirtyRecord() {
    Buchungssatz record;
    std::memset(&record, 'Z', sizeof record);
    return record;
}

// The record bytes on the heap with nothing behind them, so that a read past
// the record shows up under a memory checker.
std::unique_ptr<char[]> exactBytes(const std::string& bytes) {
    std::unique_ptr<char[]> copy(new char[bytes.size()]);
    std::memcpy(copy.get(), bytes.data(), bytes.size());
    return copy;
}

std::string record62p(const std::string& badge, const std::string& date = "311224235959") {
    std::string bytes = date + "123" + "05" + "ab" + badge + "X";
    EXPECT_EQ(bytes.size(), static_cast<std::size_t>(widths::kRecord62p));
    return bytes;
}

TEST(Fill62p, WholeRecord) {
    Buchungssatz record = dirtyRecord();
    fill62p(record, exactBytes(record62p("815          ")).get(), "T62");
    EXPECT_EQ(fieldsOf(record), (Fields{{"BewSch", ""}, {"BewTID", "T62"}, {"BewLID", "05"}, {"BewIDN", "815"},
                                        {"BewSto", "0"}, {"BewDtm", "20241231000000"},
                                        {"BewUhr", "20241231235959"}, {"BewLfn", "123"}, {"BewArt", ""},
                                        {"BewTas", ""}, {"BewEra", "X"}, {"BewKze", ""}, {"BewBer", ""},
                                        {"BewErq", "ab"}, {"BewSta", "0"}, {"BewKst", ""}, {"BewQua", ""},
                                        {"BewRes", ""}, {"BewSrc", "62p"}}));
}

TEST(Fill62p, BadgeAndNulBytes) {
    const std::string nul(1, '\0');
    const struct {
        std::string bytes;
        Fields expected;
    } cases[] = {
        {record62p(nul + "815        x"), {{"BewIDN", " "}}},
        {record62p(std::string(13, ' ')), {{"BewIDN", " "}}},
        {record62p(" \t \t         "), {{"BewIDN", " "}}},
        {record62p("  815        "), {{"BewIDN", "  815"}}},
        {record62p("81" + nul + "5         "), {{"BewIDN", "81"}}},
        {record62p("1234567890123"), {{"BewIDN", "1234567890123"}}},
        // A NUL inside a field ends that field only.
        {record62p("815          ", "3112" + nul + "4235959"),
         {{"BewDtm", "201231"}, {"BewUhr", "201231235959"}, {"BewLfn", "123"}}},
        {std::string(33, '\0'),
         {{"BewIDN", " "}, {"BewDtm", "20"}, {"BewUhr", "20"}, {"BewLfn", ""}, {"BewEra", ""}, {"BewSto", "0"}}},
        {std::string(33, '\xFF'), {{"BewDtm", "20\xFF\xFF\xFF\xFF\xFF\xFF" "000000"}, {"BewEra", "\xFF"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        Buchungssatz record = dirtyRecord();
        fill62p(record, exactBytes(c.bytes).get(), "T62");
        expectFields(record, c.expected);
    }
}

std::string record50p(const std::string& costCentre, const std::string& badge = "4711         ") {
    std::string bytes = "010299" "073000" + badge + costCentre;
    EXPECT_EQ(bytes.size(), static_cast<std::size_t>(widths::kRecord50p));
    return bytes;
}

TEST(Fill50p, RecordAndCostCentreNumber) {
    Buchungssatz record = dirtyRecord();
    EXPECT_EQ(fill50p(record, exactBytes(record50p("0000012")).get(), "T50"), 12);
    expectFields(record, {{"BewTID", "T50"}, {"BewIDN", "4711"}, {"BewDtm", "20990201000000"},
                          {"BewUhr", "20990201073000"}, {"BewSto", "0"}, {"BewSrc", "50p"}, {"BewLID", ""},
                          {"BewLfn", ""}, {"BewKst", ""}, {"BewTas", ""}, {"BewArt", ""}});

    const std::string nul(1, '\0');
    const std::pair<std::string, std::int32_t> numbers[] = {
        {"0000012", 12}, {"  12   ", 12}, {"       ", 0},       {"abc    ", 0},  {"-5     ", -5},
        {"+7x1234", 7},  {"9999999", 9999999}, {"\t\n 3   ", 3}, {"12" + nul + "4567", 12}, {"1 2    ", 1},
    };
    for (const auto& [bytes, number] : numbers) {
        SCOPED_TRACE(bytes);
        EXPECT_EQ(fill50p(record, exactBytes(record50p(bytes)).get(), "T50"), number);
    }
}

TEST(ReadDecimal, FollowsTheDecimalRuleAndSaturates) {
    EXPECT_EQ(readDecimal("  -0042abc", 10), -42);
    EXPECT_EQ(readDecimal("123", 2), 12);
    EXPECT_EQ(readDecimal("-", 1), 0);
    EXPECT_EQ(readDecimal("99999999999999999999", 20), INT32_MAX);
    EXPECT_EQ(readDecimal("-99999999999999999999", 21), INT32_MIN);
}

std::string record40p(char code, const std::string& reader = "05", char ber = '1') {
    std::string bytes = "815          " "311224" "235959" + std::string(1, code) + reader + std::string(1, ber);
    EXPECT_EQ(bytes.size(), static_cast<std::size_t>(widths::kRecord40p));
    return bytes;
}

TEST(Fill40p, Record) {
    Buchungssatz record = dirtyRecord();
    const Fill40p fill = fill40p(record, exactBytes(record40p('3')).get(), "T40");
    EXPECT_EQ(fill.reader, 5);
    EXPECT_EQ(fill.functionKey, 3);
    EXPECT_FALSE(fill.canteen);
    expectFields(record, {{"BewTID", "T40"}, {"BewLID", "05"}, {"BewIDN", "815"}, {"BewDtm", "20241231000000"},
                          {"BewUhr", "20241231235959"}, {"BewKze", "3"}, {"BewBer", "1"}, {"BewTas", "03"},
                          {"BewSto", "0"}, {"BewSrc", "40p"}, {"BewArt", ""}, {"BewLfn", ""}, {"BewKst", ""},
                          {"BewEra", ""}});
}

TEST(Fill40p, CodeCharacterToFunctionKey) {
    const struct {
        char code;
        std::int32_t key;
        const char* tas;
        bool canteen;
    } cases[] = {
        {'0', 0, "00", false},  {'9', 9, "09", false},  {'A', 10, "10", false}, {'G', 16, "16", false},
        {'g', 99, "", false},   {'H', 99, "", false},   {' ', 99, "", false},   {'\xE4', 99, "", false},
        {'\0', 99, "", false},  {'K', 99, "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("code ") + c.code);
        Buchungssatz record = dirtyRecord();
        const Fill40p fill = fill40p(record, exactBytes(record40p(c.code)).get(), "T40");
        EXPECT_EQ(fill.canteen, c.canteen);
        if (!c.canteen) {
            EXPECT_EQ(fill.functionKey, c.key);
        }
        EXPECT_STREQ(record.BewTas, c.tas);
        EXPECT_EQ(std::string(record.BewKze), c.code != '\0' ? std::string(1, c.code) : std::string());
        // A canteen booking reaches the hand-off before it gets BewSto.
        EXPECT_STREQ(record.BewSto, c.canteen ? "" : "0");
    }
}

TEST(Fill40p, ReaderNumber) {
    const std::pair<std::string, std::int32_t> cases[] = {
        {"05", 5}, {" 5", 5}, {"ab", 0}, {"33", 33}, {"-1", -1}, {std::string(1, '\0') + "7", 0},
    };
    for (const auto& [reader, number] : cases) {
        SCOPED_TRACE(reader);
        Buchungssatz record = dirtyRecord();
        EXPECT_EQ(fill40p(record, exactBytes(record40p('1', reader)).get(), "T40").reader, number);
        EXPECT_EQ(std::string(record.BewLID), reader.substr(0, reader.find('\0')));
    }
}

TEST(FunctionKey, OnlyKeysThatFitBewTas) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {7, "07"}, {0, "00"}, {98, "98"}, {99, ""}, {100, ""}, {-5, "-5"}, {-9, "-9"}, {-10, ""}, {INT32_MIN, ""},
    };
    for (const auto& [key, tas] : cases) {
        Buchungssatz record{};
        setFunctionKey(record, key);
        EXPECT_STREQ(record.BewTas, tas) << key;
    }
}

TEST(RunningNumber, CountsToNineHundredNinetyNineAndStartsAgain) {
    Buchungssatz record{};
    int running = 1;
    takeRunningNumber(record, running);
    EXPECT_STREQ(record.BewLfn, "1");
    EXPECT_EQ(running, 2);
    running = 999;
    takeRunningNumber(record, running);
    EXPECT_STREQ(record.BewLfn, "999");
    EXPECT_EQ(running, 1);
}

struct DtaResult {
    FillDta fill;
    Buchungssatz record;
};

DtaResult fillLine(const std::string& line) {
    StringList* list = splitLine(line.c_str());
    EXPECT_NE(list, nullptr);
    DtaResult result{};
    result.record = dirtyRecord();
    if (list != nullptr) {
        EXPECT_GE(list->itemCount, 8);
        result.fill = fillDta(result.record, *list);
    }
    listFree(list);
    return result;
}

TEST(FillDta, ExampleLine) {
    const DtaResult r = fillLine("T1,3,815,20240131,20240131123456,K05,000,SO=12\n");
    EXPECT_EQ(fieldsOf(r.record), (Fields{{"BewSch", ""}, {"BewTID", "T1"}, {"BewLID", "3"}, {"BewIDN", "815"},
                                          {"BewSto", "12"}, {"BewDtm", "20240131000000"},
                                          {"BewUhr", "20240131123456"}, {"BewLfn", ""}, {"BewArt", "K05"},
                                          {"BewTas", ""}, {"BewEra", "000"}, {"BewKze", ""}, {"BewBer", ""},
                                          {"BewErq", ""}, {"BewSta", "0"}, {"BewKst", ""}, {"BewQua", ""},
                                          {"BewRes", ""}, {"BewSrc", "dta"}}));
    EXPECT_EQ(r.fill.reader, 3);
    EXPECT_FALSE(r.fill.canteen);
    EXPECT_FALSE(r.fill.hasCostCentreNumber);
}

TEST(FillDta, StationAndCanteenRouting) {
    const struct {
        std::string art;
        std::string field8;
        const char* sto;
        bool canteen;
    } cases[] = {
        {"K02", "SO=37136", "37136", true},  {"K03", "SO=36292", "36292", true},
        {"K01", "SO=37136", "37136", true},  {"K04", "SO=37136", "37136", false},
        {"K02", "SO=12", "12", false},       {"K02", "SO=", "0", false},
        {"K02", "XY=5", "0", false},         {"K02", "so=37136", "0", false},
        {"K02", "SO=371360", "371360", false}, {"K01X", "SO=37136", "37136", false},
        {"K02", "SO=123456789", "12345678", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.art + " " + c.field8);
        const DtaResult r = fillLine("T1,3,815,20240131,20240131123456," + c.art + ",100," + c.field8 + "\n");
        EXPECT_STREQ(r.record.BewSto, c.sto);
        EXPECT_EQ(r.fill.canteen, c.canteen);
    }
}

TEST(FillDta, Extension) {
    const struct {
        std::string field9;
        bool hasNumber;
        std::int32_t number;
        std::string res;
    } cases[] = {
        {",Kostenstelle=12", true, 12, ""},     {",Kostenstelle=", false, 0, ""},
        {",Kostenstelle=abc", true, 0, ""},     {",Kostenstelle= -7x", true, -7, ""},
        {",kostenstelle=12", false, 0, ""},     {",VonBis=08-16", false, 0, "08-16"},
        {",VonBis=", false, 0, ""},             {",VONBIS=08-16", false, 0, ""},
        {",VonBis=" + std::string(200, 'v'), false, 0, std::string(136, 'v')},
        {",,Kostenstelle=12", false, 0, ""},    {"", false, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field9);
        const DtaResult r = fillLine("T1,3,815,20240131,20240131123456,K05,000,SO=12" + c.field9 + "\n");
        EXPECT_EQ(r.fill.hasCostCentreNumber, c.hasNumber);
        if (c.hasNumber) {
            EXPECT_EQ(r.fill.costCentreNumber, c.number);
        }
        EXPECT_EQ(std::string(r.record.BewRes), c.res);
        EXPECT_STREQ(r.record.BewKst, "");
    }
}

TEST(FillDta, FieldsAreKeptWithinTheRecord) {
    const std::string longId(60, 'i');
    const DtaResult r =
        fillLine(std::string(249, 't') + ",1234567," + longId + ",2024013112345678,123456789012345678901,ABCDE,10000,SO=1\n");
    expectFields(r.record, {{"BewTID", std::string(249, 't')}, {"BewLID", "12345"}, {"BewIDN", std::string(50, 'i')},
                            {"BewDtm", "2024013100000078"}, {"BewUhr", "1234567890123456789"}, {"BewArt", "ABC"},
                            {"BewEra", "100"}});
    EXPECT_EQ(r.fill.reader, 1234567);

    const struct {
        std::string field3;
        std::string field4;
        const char* idn;
        const char* dtm;
    } cases[] = {
        {"", "20240131", " ", "20240131000000"},
        {" ", "2024", " ", "2024"},
        {"\"\"", "20240131XY", " ", "20240131000000"},
        {"\" 8 \"", "", " 8 ", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field3 + "|" + c.field4);
        const DtaResult d = fillLine("T1,3," + c.field3 + "," + c.field4 + ",x,K05,000,SO=12\n");
        EXPECT_STREQ(d.record.BewIDN, c.idn);
        EXPECT_STREQ(d.record.BewDtm, c.dtm);
    }
}

}  // namespace
