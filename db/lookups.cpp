// Master-data lookups that complete a booking before it is inserted.
#include "db/lookups.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "db/buchungssatz.h"
#include "db/db_session.h"

namespace {

// A terminal name escaped for the statement. The longest name any caller
// passes is a record's BewTID; a longer one ends the run like an oversized
// statement (sqlEscape).
struct EscapedTerminal {
    char text[2 * (widths::kBewTID - 1) + 1];

    explicit EscapedTerminal(const char* terminal) { sqlEscape(terminal, text, sizeof text); }
};

// Runs the statement in sqlBuffer and fetches its first row. The result is
// released whatever happens, so the next statement can follow at once.
class FirstRow {
public:
    FirstRow() {
        query_.statement = sqlBuffer;
        status_ = dbExecute(query_);
        if (status_ == 0) status_ = dbFetchRow(query_, &row_);
    }
    ~FirstRow() {
        if (query_.result != nullptr) dbFreeResult(query_);
    }
    FirstRow(const FirstRow&) = delete;
    FirstRow& operator=(const FirstRow&) = delete;

    int status() const { return status_; }
    // The first column of the row, or nullptr for SQL NULL. Only for status 0.
    const char* firstColumn() const { return row_[0]; }

private:
    DbQuery query_;
    MYSQL_ROW row_ = nullptr;
    int status_;
};

// A cost centre longer than the caller's buffer is cut to what it holds.
void copyCostCentre(const char* value, char* costCentre) {
    std::size_t length = std::strlen(value);
    if (length > widths::kCostCentre - 1) length = widths::kCostCentre - 1;
    std::memcpy(costCentre, value, length);
    costCentre[length] = '\0';
}

// The C library's decimal reading (white space, sign, digits), held to the
// 32-bit range where the text names a larger number.
std::int32_t readNumber(const char* text) {
    const long value = std::strtol(text, nullptr, 10);
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

}  // namespace

int getKidKst(std::int32_t number, char* costCentre, const char* terminal) {
    sqlFormat("SELECT  KidKst   FROM  Korbanix.Kbx120Kid, Korbanix.Kbx1140Trm  WHERE  TrmNam = '%s'    "
              "AND  KidNum = %ld    AND  KidMnd = TrmMnd    AND  KidLiz = TrmLiz",
              EscapedTerminal(terminal).text, static_cast<long>(number));
    const FirstRow row;
    if (row.status() == 0 && row.firstColumn() != nullptr) copyCostCentre(row.firstColumn(), costCentre);
    return row.status();
}

int getTtaFcd(Buchungssatz& record, std::int32_t functionKey) {
    char terminal[widths::kBewTID];
    setField(terminal, record.BewTID);
    sqlFormat("SELECT  TtaFcd   FROM  Korbanix.Kbx112Tta, Korbanix.Kbx1140Trm  WHERE  TrmNam = '%s'    "
              "AND  ((TrmSta <> 4 AND TrmSta <> 8) OR TrmSta is null)    AND  TtaNum = TrmTas    "
              "AND  TtaMnd = TrmMnd    AND  TtaAps = %ld",
              EscapedTerminal(terminal).text, static_cast<long>(functionKey));
    const FirstRow row;
    if (row.status() == 0 && row.firstColumn() != nullptr) {
        // The booking type is at most three characters, a shorter one
        // padded with NUL bytes.
        std::strncpy(record.BewArt, row.firstColumn(), widths::kBewArt - 1);
        record.BewArt[widths::kBewArt - 1] = '\0';
    }
    return row.status();
}

int getTtaAps(const char* terminal, std::int32_t& functionKey) {
    sqlFormat("SELECT  TtaAps   FROM  Korbanix.Kbx112Tta, Korbanix.Kbx1140Trm  WHERE  TrmNam = '%s'    "
              "AND  ((TrmSta <> 4 AND TrmSta <> 8) OR TrmSta is null)    AND  TtaNum = TrmTas    "
              "AND  TtaMnd = TrmMnd    AND  TtaDnc = 3",
              EscapedTerminal(terminal).text);
    const FirstRow row;
    if (row.status() == 0) {
        // 99 stands for "no function key".
        functionKey = 99;
        if (row.firstColumn() != nullptr) functionKey = readNumber(row.firstColumn());
    }
    return row.status();
}

int getZlsKst(const char* terminal, std::int32_t reader, char* costCentre) {
    sqlFormat("SELECT  ZlsKst   FROM  Korbanix.Kbx401Zls  WHERE  ZlsTrm = '%s'    AND  ZlsLes = %ld",
              EscapedTerminal(terminal).text, static_cast<long>(reader));
    const FirstRow row;
    if (row.status() == 0 && row.firstColumn() != nullptr) copyCostCentre(row.firstColumn(), costCentre);
    return row.status();
}
