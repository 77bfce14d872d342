#include "RecordSet.h"

#include <QFileInfo>
#include <QSet>
#include <algorithm>
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

// Writes once and rolls back, so that a store that cannot be saved counts as unusable now
// rather than failing at every later save: held by another program, or in a folder where
// SQLite cannot create the journal every write needs, even with the file itself writable.
void checkWritable(sqlite3* db, const QString& databasePath) {
    execute(db, "BEGIN IMMEDIATE");
    qint64 version = 0;
    {
        SqliteStatement read(db, "PRAGMA user_version");
        if (read.step()) version = read.int64Column(0);
    }
    try {
        execute(db, QByteArray("PRAGMA user_version = " + QByteArray::number(version)).constData());
    } catch (const StoreError&) {
        const QString folder = QFileInfo(databasePath).absolutePath();
        if (!QFileInfo(folder).isWritable())
            throw StoreError("the store cannot be written: its folder " + folder.toStdString() +
                             " does not let new files be made there");
        throw;
    }
    execute(db, "ROLLBACK");
}

struct ResetAfterUse {
    SqliteStatement& statement;
    ~ResetAfterUse() { statement.reset(); }
};

void createSchema(sqlite3* db) {
    execute(db,
            "CREATE TABLE WALLPAPER ("
            " ID INTEGER PRIMARY KEY AUTOINCREMENT,"
            " Path TEXT, Image TEXT, ViewTime TEXT, Setup TEXT)");
}

}  // namespace

RecordSet::RecordSet() = default;
RecordSet::~RecordSet() { close(); }

void RecordSet::close() {
    statements_.clear();
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
    rows_.clear();
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
            checkWritable(db, databasePath);
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
    dataVersion_ = readDataVersion();
    rows_ = readRows();
    position_ = rows_.empty() ? Position::AfterLast : Position::Record;
    index_ = 0;
    editMode_ = EditMode::None;
}

std::vector<RecordSet::Row> RecordSet::readRows() const {
    std::vector<Row> rows;
    SqliteStatement select(db_, "SELECT rowid, Path FROM WALLPAPER ORDER BY rowid");
    while (select.step()) rows.push_back({select.int64Column(0), select.textColumn(1)});
    return rows;
}

SqliteStatement& RecordSet::reusable(const QByteArray& sql) const {
    std::unique_ptr<SqliteStatement>& statement = statements_[sql];
    if (!statement) statement = std::make_unique<SqliteStatement>(db_, sql.constData());
    return *statement;
}

qint64 RecordSet::readDataVersion() const {
    SqliteStatement& version = reusable("PRAGMA data_version");
    const ResetAfterUse reset{version};
    version.step();
    return version.int64Column(0);
}

bool RecordSet::followOutsideChanges() {
    requireOpen();
    // Inside our own transaction nobody else can have committed.
    if (inTransaction_) return false;
    const qint64 version = readDataVersion();
    if (version == dataVersion_) return false;
    const std::vector<Row> rows = readRows();
    placeCursorIn(rows);
    rows_ = rows;
    dataVersion_ = version;
    return true;
}

void RecordSet::placeCursorIn(const std::vector<Row>& rows) {
    // Where a record that is gone stood: before every record added after it.
    const auto standIn = [&rows](qint64 removed) {
        return std::size_t(std::count_if(
            rows.begin(), rows.end(), [removed](const Row& row) { return row.rowid < removed; }));
    };
    switch (position_) {
        case Position::AfterLast:
            index_ = rows.size();
            return;
        case Position::Deleted:
            index_ = standIn(removedRowid_);
            return;
        case Position::Record:
            break;
    }
    const Row current = rows_[index_];
    const auto samePath = [&current](const Row& row) { return row.path == current.path; };
    auto found = std::find_if(rows.begin(), rows.end(), [&](const Row& row) {
        return row.rowid == current.rowid && samePath(row);
    });
    if (found == rows.end()) found = std::find_if(rows.begin(), rows.end(), samePath);
    if (found != rows.end()) {
        index_ = std::size_t(found - rows.begin());
        // An edit in progress belongs to the row it started on.
        if (found->rowid != current.rowid && editMode_ == EditMode::Editing)
            editMode_ = EditMode::None;
        return;
    }
    position_ = Position::Deleted;
    removedRowid_ = current.rowid;
    index_ = standIn(current.rowid);
    if (editMode_ == EditMode::Editing) editMode_ = EditMode::None;
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
    followOutsideChanges();
    if (rows_.empty()) throw StoreError("No current record.");
    position_ = Position::Record;
    index_ = 0;
    editMode_ = EditMode::None;
}

void RecordSet::MoveLast() {
    followOutsideChanges();
    if (rows_.empty()) throw StoreError("No current record.");
    position_ = Position::Record;
    index_ = rows_.size() - 1;
    editMode_ = EditMode::None;
}

void RecordSet::MoveNext() {
    followOutsideChanges();
    switch (position_) {
        case Position::AfterLast:
            throw StoreError("No current record.");
        case Position::Record:
            ++index_;
            break;
        case Position::Deleted:
            break;  // the record that followed already sits at index_
    }
    position_ = index_ < rows_.size() ? Position::Record : Position::AfterLast;
    editMode_ = EditMode::None;
}

bool RecordSet::Eof() const {
    requireOpen();
    return position_ == Position::AfterLast;
}

void RecordSet::Delete() {
    requireCurrent();
    SqliteStatement remove(db_, "DELETE FROM WALLPAPER WHERE rowid = ?");
    remove.bind(1, rows_[index_].rowid);
    remove.step();
    removedRowid_ = rows_[index_].rowid;
    rows_.erase(rows_.begin() + std::ptrdiff_t(index_));
    position_ = Position::Deleted;
    editMode_ = EditMode::None;
}

void RecordSet::deleteAllRecords() {
    requireOpen();
    execute(db_, "DELETE FROM WALLPAPER");
    rows_.clear();
    position_ = Position::AfterLast;
    index_ = 0;
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
            update.bind(2, rows_[index_].rowid);
            update.step();
            if (column == QLatin1String("Path")) rows_[index_].path = value;
        }
        return;
    }
    SqliteStatement& insert =
        reusable("INSERT INTO WALLPAPER (Path, Image, ViewTime, Setup) VALUES (?, ?, ?, ?)");
    const ResetAfterUse reset{insert};
    int slot = 1;
    for (const char* column : kColumns) {
        const auto it = buffer_.find(QString::fromLatin1(column));
        insert.bind(slot++, it == buffer_.end() ? FieldValue() : it->second);
    }
    insert.step();
    // Appending never moves the cursor: one left after the last record stays there.
    const auto path = buffer_.find(QStringLiteral("Path"));
    rows_.push_back(
        {sqlite3_last_insert_rowid(db_), path == buffer_.end() ? FieldValue() : path->second});
}

FieldValue RecordSet::Fields(const QString& name) const {
    requireCurrent();
    const QByteArray sql =
        QByteArray("SELECT \"") + columnName(name) + "\" FROM WALLPAPER WHERE rowid = ?";
    SqliteStatement& select = reusable(sql);
    const ResetAfterUse reset{select};
    select.bind(1, rows_[index_].rowid);
    if (!select.step()) throw StoreError("the current record was removed from the store");
    return select.textColumn(0);
}

void RecordSet::readTogether(const std::function<void()>& reads) {
    requireOpen();
    if (inTransaction_) return reads();
    execute(db_, "BEGIN");
    try {
        reads();
    } catch (...) {
        // Only a read ends here: a failed ROLLBACK changes nothing, the first failure counts.
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    execute(db_, "COMMIT");
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
