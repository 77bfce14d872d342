#include "RecordSet.h"

#include <QFileInfo>
#include <QSet>
#include <array>

#include "SqliteStatement.h"

namespace showlist {

namespace {

constexpr std::array<const char*, 4> kColumns = {"Path", "Image", "ViewTime", "Setup"};

// Wait this long for another program's lock before calling the store unusable.
constexpr int kBusyTimeoutMs = 2000;

const char* columnName(const QString& name) {
    for (const char* column : kColumns)
        if (name.compare(QLatin1String(column), Qt::CaseInsensitive) == 0) return column;
    throw StoreError("Item not found in this collection: " + name.toStdString());
}

// A usable store has the WALLPAPER table with all four columns and row ids that keep the
// order in which records were added.
void checkSchema(sqlite3* db) {
    {
        SqliteStatement kind(
            db, "SELECT type FROM sqlite_master WHERE name = 'WALLPAPER' COLLATE NOCASE");
        if (!kind.step() || kind.textColumn(0) != QStringLiteral("table"))
            throw StoreError("the store has no WALLPAPER table");
    }
    QSet<QString> present;
    {
        SqliteStatement columns(db, "PRAGMA table_info(WALLPAPER)");
        while (columns.step()) present.insert(columns.textColumn(1).value_or(QString()).toLower());
    }
    for (const char* column : kColumns)
        if (!present.contains(QString::fromLatin1(column).toLower()))
            throw StoreError(std::string("the store has no WALLPAPER.") + column + " column");
    SqliteStatement probe(db, "SELECT rowid FROM WALLPAPER LIMIT 1");
    probe.step();
}

void createSchema(sqlite3* db) {
    execute(db,
            "CREATE TABLE WALLPAPER ("
            " ID INTEGER PRIMARY KEY AUTOINCREMENT,"
            " Path TEXT, Image TEXT, ViewTime TEXT, Setup TEXT)");
}

}  // namespace

RecordSet::~RecordSet() { close(); }

void RecordSet::close() {
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
    rowids_.clear();
    position_ = Position::AfterLast;
    editMode_ = EditMode::None;
    inTransaction_ = false;
}

void RecordSet::open(const QString& databasePath) {
    close();
    path_ = databasePath;
    const bool exists = QFileInfo::exists(databasePath);
    const int flags = SQLITE_OPEN_READWRITE | (exists ? 0 : SQLITE_OPEN_CREATE);
    sqlite3* db = nullptr;
    const QByteArray name = databasePath.toUtf8();
    if (sqlite3_open_v2(name.constData(), &db, flags, nullptr) != SQLITE_OK) {
        const std::string message = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close_v2(db);
        throw StoreError("cannot open the store: " + message);
    }
    try {
        sqlite3_busy_timeout(db, kBusyTimeoutMs);
        if (sqlite3_db_readonly(db, "main") == 1) throw StoreError("the store is read-only");
        if (exists) {
            checkSchema(db);
            // Takes the write lock once, so a store held by another program counts as
            // unusable now rather than failing half-way through a later save.
            execute(db, "BEGIN IMMEDIATE");
            execute(db, "ROLLBACK");
        } else {
            createSchema(db);
        }
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    db_ = db;
    loadOrder();
}

void RecordSet::refresh() {
    if (path_.isEmpty()) throw StoreError("no store file has been named");
    open(path_);
}

void RecordSet::requireOpen() const {
    if (!db_) throw StoreError("the store is not open");
}

void RecordSet::loadOrder() {
    rowids_.clear();
    SqliteStatement rows(db_, "SELECT rowid FROM WALLPAPER ORDER BY rowid");
    while (rows.step()) rowids_.push_back(rows.int64Column(0));
    position_ = rowids_.empty() ? Position::AfterLast : Position::Record;
    index_ = 0;
    editMode_ = EditMode::None;
}

void RecordSet::requireCurrent() const {
    requireOpen();
    if (position_ != Position::Record) throw StoreError("No current record.");
}

int RecordSet::RecordCount() const {
    requireOpen();
    SqliteStatement count(db_, "SELECT COUNT(*) FROM WALLPAPER");
    count.step();
    return int(count.int64Column(0));
}

void RecordSet::MoveFirst() {
    requireOpen();
    if (rowids_.empty()) throw StoreError("No current record.");
    position_ = Position::Record;
    index_ = 0;
    editMode_ = EditMode::None;
}

void RecordSet::MoveLast() {
    requireOpen();
    if (rowids_.empty()) throw StoreError("No current record.");
    position_ = Position::Record;
    index_ = rowids_.size() - 1;
    editMode_ = EditMode::None;
}

void RecordSet::MoveNext() {
    requireOpen();
    switch (position_) {
        case Position::AfterLast:
            throw StoreError("No current record.");
        case Position::Record:
            ++index_;
            break;
        case Position::Deleted:
            break;  // the record that followed already sits at index_
    }
    position_ = index_ < rowids_.size() ? Position::Record : Position::AfterLast;
    editMode_ = EditMode::None;
}

bool RecordSet::Eof() const {
    requireOpen();
    return position_ == Position::AfterLast;
}

void RecordSet::Delete() {
    requireCurrent();
    SqliteStatement remove(db_, "DELETE FROM WALLPAPER WHERE rowid = ?");
    remove.bind(1, rowids_[index_]);
    remove.step();
    rowids_.erase(rowids_.begin() + std::ptrdiff_t(index_));
    position_ = Position::Deleted;
    editMode_ = EditMode::None;
}

void RecordSet::AddNew() {
    requireOpen();
    editMode_ = EditMode::Adding;
    buffer_.clear();
}

void RecordSet::Edit() {
    requireCurrent();
    editMode_ = EditMode::Editing;
    buffer_.clear();
}

void RecordSet::setField(const QString& name, const FieldValue& value) {
    requireOpen();
    if (editMode_ == EditMode::None)
        throw StoreError("Update or CancelUpdate without AddNew or Edit.");
    buffer_[QString::fromLatin1(columnName(name))] = value;
}

void RecordSet::Update() {
    requireOpen();
    const EditMode mode = editMode_;
    editMode_ = EditMode::None;
    if (mode == EditMode::None) throw StoreError("Update or CancelUpdate without AddNew or Edit.");
    if (mode == EditMode::Editing) {
        if (position_ != Position::Record) throw StoreError("No current record.");
        for (const auto& [column, value] : buffer_) {
            const QByteArray sql =
                "UPDATE WALLPAPER SET \"" + column.toLatin1() + "\" = ? WHERE rowid = ?";
            SqliteStatement update(db_, sql.constData());
            update.bind(1, value);
            update.bind(2, rowids_[index_]);
            update.step();
        }
        return;
    }
    SqliteStatement insert(db_,
                           "INSERT INTO WALLPAPER (Path, Image, ViewTime, Setup) "
                           "VALUES (?, ?, ?, ?)");
    int slot = 1;
    for (const char* column : kColumns) {
        const auto it = buffer_.find(QString::fromLatin1(column));
        insert.bind(slot++, it == buffer_.end() ? FieldValue() : it->second);
    }
    insert.step();
    // Appending never moves the cursor: one left after the last record stays there.
    rowids_.push_back(sqlite3_last_insert_rowid(db_));
}

FieldValue RecordSet::Fields(const QString& name) const {
    requireCurrent();
    const QByteArray sql =
        QByteArray("SELECT \"") + columnName(name) + "\" FROM WALLPAPER WHERE rowid = ?";
    SqliteStatement select(db_, sql.constData());
    select.bind(1, rowids_[index_]);
    if (!select.step()) throw StoreError("the current record was removed from the store");
    return select.textColumn(0);
}

void RecordSet::BeginTrans() {
    requireOpen();
    execute(db_, "BEGIN IMMEDIATE");
    inTransaction_ = true;
}

void RecordSet::CommitTrans() {
    requireOpen();
    execute(db_, "COMMIT");
    inTransaction_ = false;
}

void RecordSet::Rollback() {
    requireOpen();
    if (inTransaction_) execute(db_, "ROLLBACK");
    inTransaction_ = false;
    // The cursor may name records the rollback removed: start again from the first.
    loadOrder();
}

}  // namespace showlist
