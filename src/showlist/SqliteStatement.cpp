#include "SqliteStatement.h"

namespace showlist {

void throwStoreError(sqlite3* db, const char* what) {
    QString message = QString::fromUtf8(what);
    if (db) message += QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(db));
    throw StoreError(message.toStdString());
}

SqliteStatement::SqliteStatement(sqlite3* db, const char* sql) : db_(db) {
    if (sqlite3_prepare_v2(db_, sql, -1, &statement_, nullptr) != SQLITE_OK)
        throwStoreError(db_, "cannot prepare a store query");
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(statement_); }

void SqliteStatement::bind(int index, qint64 value) {
    if (sqlite3_bind_int64(statement_, index, value) != SQLITE_OK)
        throwStoreError(db_, "cannot bind a value");
}

void SqliteStatement::bind(int index, const FieldValue& value) {
    int rc = SQLITE_OK;
    if (value) {
        const QByteArray utf8 = value->toUtf8();
        rc = sqlite3_bind_text(statement_, index, utf8.constData(), int(utf8.size()),
                               SQLITE_TRANSIENT);
    } else {
        rc = sqlite3_bind_null(statement_, index);
    }
    if (rc != SQLITE_OK) throwStoreError(db_, "cannot bind a value");
}

bool SqliteStatement::step() {
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    throwStoreError(db_, "store access failed");
}

qint64 SqliteStatement::int64Column(int column) const {
    return sqlite3_column_int64(statement_, column);
}

FieldValue SqliteStatement::textColumn(int column) const {
    if (sqlite3_column_type(statement_, column) == SQLITE_NULL) return std::nullopt;
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    const int bytes = sqlite3_column_bytes(statement_, column);
    return QString::fromUtf8(text, bytes);
}

void SqliteStatement::reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

void execute(sqlite3* db, const char* sql) {
    SqliteStatement statement(db, sql);
    while (statement.step()) {
    }
}

}  // namespace showlist
