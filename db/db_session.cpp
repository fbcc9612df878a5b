// The one connection of a run and the statement layer every lookup and
// insert goes through.
#include "db/db_session.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "config/ini_reader.h"
#include "platform/platform.h"

MYSQL* dbConnection = nullptr;
char sqlBuffer[widths::kSqlBuffer];

namespace {

// Source files and the run log are single-byte Windows-1252 texts. The
// connection declares them as latin1 so that every byte reaches the table
// as read; the library's default (utf8mb4) would refuse or mangle a byte
// such as 0xE4.
constexpr const char* kConnectionCharset = "latin1";

// Whether dbConnection is connected; escaping asks the connection then.
bool connected = false;

// The value of a configuration key, copied into a setting buffer. The
// reader's values fit; one that would not is cut (and the server refuses it).
void copySetting(char* setting, std::size_t size) {
    std::memset(setting, 0, size);
    const void* end = std::memchr(iniValue, '\0', size - 1);
    const std::size_t length = end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - iniValue) : size - 1;
    std::memcpy(setting, iniValue, length);
}

}  // namespace

int dbConnect() {
    char user[widths::kDbSetting];
    char password[widths::kDbSetting];
    char host[widths::kHostMaxChars + 1];
    std::memset(host, 0, sizeof host);

    readIniValue("", "LOGIN", 0, kConfigFilePath);
    copySetting(user, sizeof user);
    readIniValue("", "PASS", 0, kConfigFilePath);
    copySetting(password, sizeof password);
    readIniValue("", "NET8", 0, kConfigFilePath);
    const std::size_t hostLength = std::strlen(iniValue);
    // A longer value is not shortened: a cut host name would name another host.
    if (hostLength >= 1 && hostLength <= widths::kHostMaxChars) {
        std::memcpy(host, iniValue, hostLength + 1);
    }

    const int status = dbOpen(user, password, host, kDatabaseName);
    std::memset(password, 0, sizeof password);
    if (status != 0) {
        std::printf("Datenbankverbindung fehlgeschlagen, Fehler: %d\n", status);
        return status;
    }
    return 0;
}

int dbOpen(const char* user, const char* password, const char* host, const char* database) {
    // Only tests open a second connection; it replaces the first.
    if (dbConnection != nullptr) {
        mysql_close(dbConnection);
        dbConnection = nullptr;
        connected = false;
    }
    dbConnection = mysql_init(nullptr);
    if (dbConnection == nullptr) {
        return kDbInitFailure;
    }
    // A silent reconnect would end the open transaction and come back with
    // autocommit on: the bookings after it would be committed one by one.
    bool reconnect = false;
    mysql_options(dbConnection, MYSQL_OPT_RECONNECT, &reconnect);
    mysql_options(dbConnection, MYSQL_SET_CHARSET_NAME, kConnectionCharset);

    // Port 0 and no socket name: the client library finds the server
    // through its own defaults.
    if (mysql_real_connect(dbConnection, host, user, password, database, 0, nullptr, 0) == nullptr) {
        const int status = static_cast<int>(mysql_errno(dbConnection));
        return status != 0 ? status : kDbInitFailure;
    }
    connected = true;

    DbQuery query;
    query.statement = "SET AUTOCOMMIT = 0";
    dbExecute(query);
    return 0;
}

namespace {

// A deadlock makes the server roll back the whole open transaction, not just
// the statement. Bookings inserted before it would be gone while later ones
// were committed: a run would keep part of its file and lose the rest
// without a word. Remembered here so that the run's COMMIT refuses instead.
int transactionLostStatus = 0;
constexpr int kDeadlock = 1213;

}  // namespace

int dbExecute(DbQuery& query) {
    query.result = nullptr;
    query.rowsFetched = 0;
    if (mysql_real_query(dbConnection, query.statement, std::strlen(query.statement)) != 0) {
        const int status = static_cast<int>(mysql_errno(dbConnection));
        if (status == kDeadlock && transactionLostStatus == 0) transactionLostStatus = status;
        return status;
    }
    query.result = mysql_store_result(dbConnection);
    if (mysql_errno(dbConnection) != 0) {
        return -1;
    }
    return 0;
}

int dbFetchRow(DbQuery& query, MYSQL_ROW* row) {
    if (query.result == nullptr) {
        return -1;
    }
    if (static_cast<std::uint64_t>(query.rowsFetched) >= static_cast<std::uint64_t>(mysql_num_rows(query.result))) {
        return 1032;
    }
    *row = mysql_fetch_row(query.result);
    if (mysql_errno(dbConnection) != 0) {
        return -1;
    }
    ++query.rowsFetched;
    return 0;
}

int dbFreeResult(DbQuery& query) {
    if (query.result == nullptr) {
        return -1;
    }
    mysql_free_result(query.result);
    query.result = nullptr;
    query.rowsFetched = 0;
    return 0;
}

int dbCommit() {
    DbQuery query;
    if (transactionLostStatus != 0) {
        // Keep the run all or nothing: what survived the rollback goes too,
        // and a re-run imports the whole file.
        query.statement = "ROLLBACK";
        dbExecute(query);
        return transactionLostStatus;
    }
    query.statement = "COMMIT";
    return dbExecute(query);
}

void sqlFormat(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(sqlBuffer, sizeof sqlBuffer, format, args);
    va_end(args);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof sqlBuffer) {
        platformExit(1);
    }
}

const char* sqlEscape(const char* text, char* out, std::size_t outSize) {
    const std::size_t length = std::strlen(text);
    if (outSize == 0 || length > (outSize - 1) / 2) {
        platformExit(1);
    }
    // The connection's character set decides what needs escaping; without a
    // connection there is none to ask, and the single-byte rule applies.
    if (connected && dbConnection != nullptr) {
        mysql_real_escape_string(dbConnection, out, text, length);
    } else {
        mysql_escape_string(out, text, length);
    }
    return out;
}
