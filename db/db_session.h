// The one connection of a run and the small statement layer on top of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mysql.h>

#include "run/widths.h"

constexpr const char* kDatabaseName = "KORBANIX";
// Reported when the client library cannot even set up its handle.
constexpr int kDbInitFailure = 2008;

struct DbQuery {
    const char* statement = nullptr;
    MYSQL_RES* result = nullptr;
    std::uint32_t rowsFetched = 0;
};

extern MYSQL* dbConnection;
extern char sqlBuffer[widths::kSqlBuffer];

int dbConnect();
int dbOpen(const char* user, const char* password, const char* host, const char* database);
int dbExecute(DbQuery& query);
int dbFetchRow(DbQuery& query, MYSQL_ROW* row);
int dbFreeResult(DbQuery& query);
// Returns the status of the COMMIT (0 on success). After a deadlock, which
// rolled the transaction back on the server, it rolls back the rest as well
// and returns 1213, so that no run keeps only part of its bookings.
int dbCommit();

// Formats a statement into sqlBuffer. A statement that does not fit with its
// NUL ends the process with exit code 1 at once: no log line, no COMMIT.
void sqlFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Escapes text for use between single quotes on the open connection.
// Returns out; out must hold 2 * strlen(text) + 1 bytes (checked: a text
// that would not fit ends the process like an oversized statement).
const char* sqlEscape(const char* text, char* out, std::size_t outSize);
