#include "tests/support/test_db.h"

#include <gtest/gtest.h>

#include "tests/support/test_tree.h"

const char* const TestDb::kBookingColumns =
    "BewSch, BewTID, BewLID, BewIDN, BewSto, BewKst, BewDtm, BewUhr, BewLfn, BewArt, BewTas, "
    "BewEra, BewKze, BewBer, BewErq, BewSta, BewQua, BewSrc, BewRes";

namespace {

const char* const kTables[] = {"Korbanix.Kbx321Bew", "Korbanix.Kbx1140Trm", "Korbanix.Kbx120Kid",
                               "Korbanix.Kbx112Tta", "Korbanix.Kbx401Zls"};

std::string number(std::optional<int> value) { return value ? std::to_string(*value) : "NULL"; }

}  // namespace

TestDb::TestDb() {
    const std::string user = testDbUser();
    const std::string password = testDbPassword();
    connection_ = mysql_init(nullptr);
    if (connection_ == nullptr) {
        ADD_FAILURE() << "mysql_init failed";
        return;
    }
    mysql_options(connection_, MYSQL_SET_CHARSET_NAME, "latin1");
    // Found through MYSQL_UNIX_PORT like the tool's own connection.
    if (mysql_real_connect(connection_, nullptr, user.c_str(), password.c_str(), "KORBANIX", 0, nullptr, 0) ==
        nullptr) {
        ADD_FAILURE() << "cannot connect to the test database: " << mysql_error(connection_)
                      << " (run the tests through scripts/test.sh)";
        mysql_close(connection_);
        connection_ = nullptr;
        return;
    }
    // A test that keeps the tool's transaction open must not hang the next
    // statement here for long.
    exec("SET SESSION lock_wait_timeout = 10, innodb_lock_wait_timeout = 10");
}

TestDb::~TestDb() {
    if (connection_ != nullptr) mysql_close(connection_);
}

int TestDb::tryExec(const std::string& sql) {
    if (connection_ == nullptr) {
        ADD_FAILURE() << "no test database connection for: " << sql;
        return -1;
    }
    if (mysql_real_query(connection_, sql.data(), sql.size()) != 0) return static_cast<int>(mysql_errno(connection_));
    MYSQL_RES* result = mysql_store_result(connection_);
    if (result != nullptr) mysql_free_result(result);
    return static_cast<int>(mysql_errno(connection_));
}

bool TestDb::exec(const std::string& sql) {
    const int status = tryExec(sql);
    if (status != 0 && connection_ != nullptr) {
        ADD_FAILURE() << "statement failed with " << status << " (" << mysql_error(connection_) << "): " << sql;
    }
    return status == 0;
}

std::vector<DbRow> TestDb::query(const std::string& sql) {
    std::vector<DbRow> rows;
    if (connection_ == nullptr) {
        ADD_FAILURE() << "no test database connection for: " << sql;
        return rows;
    }
    if (mysql_real_query(connection_, sql.data(), sql.size()) != 0) {
        ADD_FAILURE() << "query failed (" << mysql_error(connection_) << "): " << sql;
        return rows;
    }
    MYSQL_RES* result = mysql_store_result(connection_);
    if (result == nullptr) {
        if (mysql_errno(connection_) != 0) ADD_FAILURE() << "query failed (" << mysql_error(connection_) << "): " << sql;
        return rows;
    }
    const unsigned columns = mysql_num_fields(result);
    while (MYSQL_ROW row = mysql_fetch_row(result)) {
        const unsigned long* lengths = mysql_fetch_lengths(result);
        DbRow values;
        for (unsigned i = 0; i < columns; ++i) {
            values.push_back(row[i] ? DbValue(std::string(row[i], lengths[i])) : std::nullopt);
        }
        rows.push_back(std::move(values));
    }
    mysql_free_result(result);
    return rows;
}

DbValue TestDb::scalar(const std::string& sql) {
    const std::vector<DbRow> rows = query(sql);
    if (rows.empty() || rows[0].empty()) return std::nullopt;
    return rows[0][0];
}

void TestDb::resetTables() {
    for (const DbRow& trigger :
         query("SELECT TRIGGER_NAME FROM information_schema.TRIGGERS WHERE TRIGGER_SCHEMA = 'korbanix'")) {
        if (trigger[0]) exec("DROP TRIGGER Korbanix.`" + *trigger[0] + "`");
    }
    for (const char* table : kTables) exec(std::string("TRUNCATE TABLE ") + table);
}

std::string TestDb::literal(const DbValue& value) {
    if (!value) return "NULL";
    if (connection_ == nullptr) return "''";
    std::string escaped(2 * value->size() + 1, '\0');
    const unsigned long length = mysql_real_escape_string(connection_, escaped.data(), value->data(), value->size());
    escaped.resize(length);
    return "'" + escaped + "'";
}

void TestDb::addTerminal(const std::string& name, int mnd, int liz, std::optional<int> tas, std::optional<int> sta) {
    exec("INSERT INTO Korbanix.Kbx1140Trm (TrmNam, TrmSta, TrmTas, TrmMnd, TrmLiz) VALUES (" + literal(name) + ", " +
         number(sta) + ", " + number(tas) + ", " + std::to_string(mnd) + ", " + std::to_string(liz) + ")");
}

void TestDb::addKid(int number, const DbValue& costCentre, int mnd, int liz) {
    exec("INSERT INTO Korbanix.Kbx120Kid (KidNum, KidKst, KidMnd, KidLiz) VALUES (" + std::to_string(number) + ", " +
         literal(costCentre) + ", " + std::to_string(mnd) + ", " + std::to_string(liz) + ")");
}

void TestDb::addTta(std::optional<int> table, int mnd, std::optional<int> dnc, const DbValue& aps, const DbValue& fcd) {
    exec("INSERT INTO Korbanix.Kbx112Tta (TtaNum, TtaMnd, TtaDnc, TtaAps, TtaFcd) VALUES (" + number(table) + ", " +
         std::to_string(mnd) + ", " + number(dnc) + ", " + literal(aps) + ", " + literal(fcd) + ")");
}

void TestDb::addZls(const std::string& terminal, int reader, const DbValue& costCentre) {
    exec("INSERT INTO Korbanix.Kbx401Zls (ZlsTrm, ZlsLes, ZlsKst) VALUES (" + literal(terminal) + ", " +
         std::to_string(reader) + ", " + literal(costCentre) + ")");
}

void TestDb::failInsertsOfBadge(const std::string& badge, int errorNumber) {
    static int triggerCount = 0;
    const std::string name = "test_fail_" + std::to_string(++triggerCount);
    exec("CREATE TRIGGER Korbanix." + name + " BEFORE INSERT ON Korbanix.Kbx321Bew FOR EACH ROW IF NEW.BewIDN = " +
         literal(badge) + " THEN SIGNAL SQLSTATE '45000' SET MYSQL_ERRNO = " + std::to_string(errorNumber) +
         ", MESSAGE_TEXT = 'test failure'; END IF");
}

std::vector<DbRow> TestDb::bookings() {
    return query(std::string("SELECT ") + kBookingColumns + " FROM Korbanix.Kbx321Bew ORDER BY BewNr");
}
