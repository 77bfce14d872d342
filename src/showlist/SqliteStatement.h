#pragma once

#include <sqlite3.h>
#include <QString>

#include "RecordSet.h"

namespace showlist {

// One prepared statement, finalised when it goes out of scope; every failure throws
// StoreError with SQLite's own message.
class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, const char* sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    void bind(int index, qint64 value);
    void bind(int index, const FieldValue& value);
    // Advances to the next row; false when there is none.
    bool step();
    qint64 int64Column(int column) const;
    FieldValue textColumn(int column) const;
    // Makes the statement ready to run again with new values, and lets go of the read lock
    // a statement holds until it is reset or finalised.
    void reset();

private:
    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
};

// Runs a statement that returns no rows.
void execute(sqlite3* db, const char* sql);

[[noreturn]] void throwStoreError(sqlite3* db, const char* what);

}  // namespace showlist
