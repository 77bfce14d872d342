#include "support/StoreFixture.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <QFile>

namespace testing_support {

namespace {

showlist::FieldValue column(sqlite3_stmt* statement, int index) {
    if (sqlite3_column_type(statement, index) == SQLITE_NULL) return std::nullopt;
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, index)));
}

void bindValue(sqlite3_stmt* statement, int index, const showlist::FieldValue& value) {
    if (value)
        sqlite3_bind_text(statement, index, value->toUtf8().constData(), -1, SQLITE_TRANSIENT);
    else
        sqlite3_bind_null(statement, index);
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
    executeSql(databasePath,
               QStringLiteral("CREATE TABLE IF NOT EXISTS WALLPAPER (ID INTEGER PRIMARY KEY "
                              "AUTOINCREMENT, Path TEXT, Image TEXT, ViewTime TEXT, Setup TEXT)"));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(databasePath.toUtf8().constData(), &db), SQLITE_OK);
    for (const StoredRecord& record : records) {
        sqlite3_stmt* statement = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(
                      db, "INSERT INTO WALLPAPER (Path, Image, ViewTime, Setup) VALUES (?,?,?,?)",
                      -1, &statement, nullptr),
                  SQLITE_OK);
        bindValue(statement, 1, record.path);
        bindValue(statement, 2, record.image);
        bindValue(statement, 3, record.viewTime);
        bindValue(statement, 4, record.setup);
        EXPECT_EQ(sqlite3_step(statement), SQLITE_DONE);
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
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
