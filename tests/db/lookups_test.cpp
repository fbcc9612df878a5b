#include "db/lookups.h"

#include <cstring>
#include <string>

#include "db/buchungssatz.h"
#include "db/db_session.h"
#include "tests/db/db_fixture.h"

namespace {

const std::string kLong40(40, 'L');
const std::string kCut30(30, 'L');

// Master data of a few terminals, one aspect of the lookups each.
class LookupTest : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        db.addTerminal("T1", 1, 2, 10);
        db.addTerminal("Tom's", 3, 3, 11);
        db.addTerminal("Blocked", 1, 2, 10, 4);
        db.addTerminal("ApsNull", 1, 2, 20);
        db.addTerminal("Aps12", 1, 2, 21);
        db.addTerminal("ApsText", 1, 2, 22);

        db.addKid(5, "KST5", 1, 2);
        db.addKid(6, std::nullopt, 1, 2);
        db.addKid(7, kLong40, 1, 2);
        db.addKid(5, "QUOTED", 3, 3);

        db.addTta(10, 1, 0, "12", "ABCDE");
        db.addTta(10, 1, 0, "13", "A");
        db.addTta(10, 1, 0, "14", std::nullopt);
        db.addTta(11, 3, 0, "12", "QQ");
        db.addTta(20, 1, 3, std::nullopt, "X");
        db.addTta(21, 1, 3, "12", "X");
        db.addTta(22, 1, 3, "abc", "X");

        db.addZls("T1", 1, "100");
        db.addZls("T1", 1, "200");
        db.addZls("T1", 2, std::nullopt);
        db.addZls("T1", 3, kLong40);
        db.addZls("Tom's", 1, "300");
    }

    // A caller's cost-centre buffer holding a marker, to see it untouched.
    struct CostCentre {
        char text[widths::kCostCentre] = "keep";
    };
};

}  // namespace

TEST_F(LookupTest, StatementsAreBuiltWordForWord) {
    CostCentre costCentre;
    getKidKst(5, costCentre.text, "T1");
    EXPECT_STREQ(sqlBuffer,
                 "SELECT  KidKst   FROM  Korbanix.Kbx120Kid, Korbanix.Kbx1140Trm  WHERE  TrmNam = 'T1'    AND  "
                 "KidNum = 5    AND  KidMnd = TrmMnd    AND  KidLiz = TrmLiz");

    Buchungssatz record;
    clearBuchungssatz(record);
    setField(record.BewTID, "T1");
    getTtaFcd(record, -12);
    EXPECT_STREQ(sqlBuffer,
                 "SELECT  TtaFcd   FROM  Korbanix.Kbx112Tta, Korbanix.Kbx1140Trm  WHERE  TrmNam = 'T1'    AND  "
                 "((TrmSta <> 4 AND TrmSta <> 8) OR TrmSta is null)    AND  TtaNum = TrmTas    AND  TtaMnd = "
                 "TrmMnd    AND  TtaAps = -12");

    std::int32_t functionKey = 0;
    getTtaAps("T1", functionKey);
    EXPECT_STREQ(sqlBuffer,
                 "SELECT  TtaAps   FROM  Korbanix.Kbx112Tta, Korbanix.Kbx1140Trm  WHERE  TrmNam = 'T1'    AND  "
                 "((TrmSta <> 4 AND TrmSta <> 8) OR TrmSta is null)    AND  TtaNum = TrmTas    AND  TtaMnd = "
                 "TrmMnd    AND  TtaDnc = 3");

    getZlsKst("T1", 32, costCentre.text);
    EXPECT_STREQ(sqlBuffer, "SELECT  ZlsKst   FROM  Korbanix.Kbx401Zls  WHERE  ZlsTrm = 'T1'    AND  ZlsLes = 32");
}

TEST_F(LookupTest, CostCentres) {
    struct Case {
        const char* lookup;
        const char* terminal;
        int number;
        int status;
        std::string costCentre;
    } const cases[] = {
        {"Kid", "T1", 5, 0, "KST5"},      {"Kid", "T1", 6, 0, "keep"},  // NULL
        {"Kid", "T1", 7, 0, kCut30},      {"Kid", "T1", 8, 1032, "keep"},
        {"Kid", "Nobody", 5, 1032, "keep"}, {"Kid", "Tom's", 5, 0, "QUOTED"},
        {"Zls", "T1", 1, 0, "100"},       {"Zls", "T1", 2, 0, "keep"},  // NULL
        {"Zls", "T1", 3, 0, kCut30},      {"Zls", "T1", 4, 1032, "keep"},
        {"Zls", "Tom's", 1, 0, "300"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.lookup) + " " + c.terminal + " " + std::to_string(c.number));
        CostCentre costCentre;
        const int status = std::strcmp(c.lookup, "Kid") == 0 ? getKidKst(c.number, costCentre.text, c.terminal)
                                                             : getZlsKst(c.terminal, c.number, costCentre.text);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(costCentre.text, c.costCentre);
    }
}

TEST_F(LookupTest, BookingTypeTakesThreeCharacters) {
    struct Case {
        const char* terminal;
        int functionKey;
        int status;
        const char bewArt[widths::kBewArt];
    } const cases[] = {
        {"T1", 12, 0, {'A', 'B', 'C', '\0'}},
        {"T1", 13, 0, {'A', '\0', '\0', '\0'}},
        {"T1", 14, 0, {'Z', 'Z', '\0', '\0'}},  // NULL
        {"T1", 99, 1032, {'Z', 'Z', '\0', '\0'}},
        {"Blocked", 12, 1032, {'Z', 'Z', '\0', '\0'}},
        {"Nobody", 12, 1032, {'Z', 'Z', '\0', '\0'}},
        {"Tom's", 12, 0, {'Q', 'Q', '\0', '\0'}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.terminal) + " " + std::to_string(c.functionKey));
        Buchungssatz record;
        clearBuchungssatz(record);
        setField(record.BewTID, c.terminal);
        setField(record.BewArt, "ZZ");
        EXPECT_EQ(getTtaFcd(record, c.functionKey), c.status);
        EXPECT_EQ(std::memcmp(record.BewArt, c.bewArt, sizeof record.BewArt), 0) << record.BewArt;
    }
}

TEST_F(LookupTest, DefaultFunctionKey) {
    struct Case {
        const char* terminal;
        int status;
        std::int32_t functionKey;
    } const cases[] = {
        {"ApsNull", 0, 99},
        {"Aps12", 0, 12},
        {"ApsText", 0, 0},
        {"Nobody", 1032, -7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.terminal);
        std::int32_t functionKey = -7;
        EXPECT_EQ(getTtaAps(c.terminal, functionKey), c.status);
        EXPECT_EQ(functionKey, c.functionKey);
    }
}

TEST_F(LookupTest, StatementErrorPassesThroughAndLeavesTheOutput) {
    ASSERT_TRUE(db.exec("RENAME TABLE Korbanix.Kbx401Zls TO Korbanix.Kbx401Zls_away"));
    CostCentre costCentre;
    const int status = getZlsKst("T1", 1, costCentre.text);
    db.exec("RENAME TABLE Korbanix.Kbx401Zls_away TO Korbanix.Kbx401Zls");
    EXPECT_EQ(status, 1146);
    EXPECT_STREQ(costCentre.text, "keep");

    // The failed statement left nothing behind: the next lookup runs.
    EXPECT_EQ(getZlsKst("T1", 1, costCentre.text), 0);
    EXPECT_STREQ(costCentre.text, "100");
}
