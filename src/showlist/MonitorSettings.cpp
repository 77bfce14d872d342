#include "MonitorSettings.h"

#include <QFileInfo>
#include <memory>

#include "RecordSet.h"
#include "SqliteStatement.h"

namespace showlist {

namespace {

struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Connection = std::unique_ptr<sqlite3, Closer>;

// Another copy of the program may be writing the show list at the same moment.
constexpr int kBusyTimeoutMs = 2000;

Connection connect(const QString& path, int flags) {
    sqlite3* db = nullptr;
    const int result = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
    Connection connection(db);
    if (result != SQLITE_OK)
        throw StoreError(std::string("cannot open the store: ") +
                         (db ? sqlite3_errmsg(db) : "out of memory"));
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    return connection;
}

}  // namespace

MonitorSettings::MonitorSettings(QString storePath) : storePath_(std::move(storePath)) {}

std::map<QString, QString> MonitorSettings::read() const {
    std::map<QString, QString> values;
    if (!QFileInfo::exists(storePath_)) return values;
    try {
        const Connection db = connect(storePath_, SQLITE_OPEN_READONLY);
        SqliteStatement select(db.get(), "SELECT Name, Value FROM MONITORS");
        while (select.step()) {
            const FieldValue name = select.textColumn(0);
            const FieldValue value = select.textColumn(1);
            if (name && value) values[*name] = *value;
        }
    } catch (const StoreError&) {
        // Not a store, no table yet, or held too long by a writer: the defaults serve.
        return {};
    }
    return values;
}

void MonitorSettings::write(const std::map<QString, std::optional<QString>>& values) const {
    // Made as the program makes it at start, so the show list's table is there as well.
    if (!QFileInfo::exists(storePath_)) RecordSet().open(storePath_);
    const Connection db = connect(storePath_, SQLITE_OPEN_READWRITE);
    execute(db.get(), "BEGIN IMMEDIATE");
    try {
        execute(db.get(),
                "CREATE TABLE IF NOT EXISTS MONITORS (Name TEXT PRIMARY KEY, Value TEXT)");
        SqliteStatement put(db.get(),
                            "INSERT OR REPLACE INTO MONITORS (Name, Value) VALUES (?, ?)");
        SqliteStatement remove(db.get(), "DELETE FROM MONITORS WHERE Name = ?");
        for (const auto& [name, value] : values) {
            SqliteStatement& statement = value ? put : remove;
            statement.bind(1, FieldValue(name));
            if (value) statement.bind(2, FieldValue(*value));
            statement.step();
            statement.reset();
        }
        execute(db.get(), "COMMIT");
    } catch (...) {
        sqlite3_exec(db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

}  // namespace showlist
