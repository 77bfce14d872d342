#include "support/StoreFixture.h"

#include <sqlite3.h>

namespace testing_support {

namespace {

showlist::FieldValue column(sqlite3_stmt* statement, int index) {
    if (sqlite3_column_type(statement, index) == SQLITE_NULL) return std::nullopt;
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, index)));
}

// A value as an SQL literal: any text survives single quotes with their own doubled.
QString literal(const showlist::FieldValue& value) {
    return value ? "'" + QString(*value).replace('\'', "''") + "'" : QStringLiteral("NULL");
}

}  // namespace

std::vector<StoredRecord> readStore(const QString& databasePath) {
    std::vector<StoredRecord> records;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(databasePath.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        ADD_FAILURE() << "cannot open " << databasePath.toStdString();
        sqlite3_close(db);
        return records;
    }
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT Path, Image, ViewTime, Setup FROM WALLPAPER ORDER BY rowid",
                           -1, &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW)
            records.push_back({column(statement, 0), column(statement, 1), column(statement, 2),
                               column(statement, 3)});
    } else {
        ADD_FAILURE() << sqlite3_errmsg(db);
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return records;
}

void writeStore(const QString& databasePath, const std::vector<StoredRecord>& records) {
    QString sql =
        "CREATE TABLE IF NOT EXISTS WALLPAPER (ID INTEGER PRIMARY KEY AUTOINCREMENT, "
        "Path TEXT, Image TEXT, ViewTime TEXT, Setup TEXT);";
    for (const StoredRecord& r : records)
        sql += QStringLiteral(
                   "INSERT INTO WALLPAPER (Path, Image, ViewTime, Setup) VALUES "
                   "(%1, %2, %3, %4);")
                   .arg(literal(r.path), literal(r.image), literal(r.viewTime), literal(r.setup));
    executeSql(databasePath, sql);
}

void executeSql(const QString& databasePath, const QString& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(databasePath.toUtf8().constData(), &db), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error), SQLITE_OK)
        << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

StoreLock::StoreLock(const QString& databasePath) {
    EXPECT_EQ(sqlite3_open(databasePath.toUtf8().constData(), &db_), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db_, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db_);
}

StoreLock::~StoreLock() { release(); }

void StoreLock::release() {
    if (!db_) return;
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db_);
    db_ = nullptr;
}

}  // namespace testing_support
