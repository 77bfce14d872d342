#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

struct sqlite3;

namespace showlist {

class SqliteStatement;

class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A stored value; an empty optional is a null field.
using FieldValue = std::optional<QString>;

// The show list's table, WALLPAPER (Path, Image, ViewTime, Setup), seen through a cursor:
// records in the order they were added, one current record, an end-of-set position after
// the last one, and add/edit buffers committed by Update. Every operation that cannot be
// carried out throws StoreError; callers decide whether to skip it or give up.
class RecordSet {
public:
    RecordSet();
    ~RecordSet();
    RecordSet(const RecordSet&) = delete;
    RecordSet& operator=(const RecordSet&) = delete;

    // (Re)opens the store file. A missing file is created with its table; an existing file
    // that is not a usable store (not SQLite, without the table, read-only, locked) is left
    // untouched and the record set stays closed. The first record becomes current.
    void open(const QString& databasePath);
    // Opens the same file again, as after open().
    void refresh();
    void close();
    bool isOpen() const { return db_ != nullptr; }
    const QString& databasePath() const { return path_; }

    // Catches up with what other programs committed to the store since the record set last
    // looked (another copy of the program, a hand edit): re-reads the records and keeps the
    // cursor on the record with the same Path when one is still there; when none is, the
    // cursor stands where its record was, as after Delete, and MoveNext goes on with the
    // record that followed it. Returns whether anything was re-read. Every move calls it
    // first, so no step walks a list that is no longer the stored one.
    bool followOutsideChanges();

    int RecordCount() const;
    void MoveFirst();
    void MoveLast();
    void MoveNext();
    // True once MoveNext has passed the last record, and on an empty table.
    bool Eof() const;

    void Delete();
    // Deletes every record in one statement; the cursor then stands after the (empty) end.
    void deleteAllRecords();
    void AddNew();
    void Edit();
    void setField(const QString& name, const FieldValue& value);
    void Update();
    FieldValue Fields(const QString& name) const;

    // Runs `reads` as one read transaction: they see one state of the store and take its
    // lock once, instead of once per statement - which is most of the time of reading a list
    // of thousands of records field by field.
    void readTogether(const std::function<void()>& reads);

    // Groups writes so that they land together or not at all.
    void BeginTrans();
    void CommitTrans();
    void Rollback();

private:
    enum class Position { Record, AfterLast, Deleted };
    enum class EditMode { None, Adding, Editing };

    // A record as the cursor knows it: the row id it is fetched by and the Path it is found
    // again by after another program rewrote the table.
    struct Row {
        qint64 rowid;
        FieldValue path;
    };

    void requireOpen() const;
    void loadOrder();
    std::vector<Row> readRows() const;
    qint64 readDataVersion() const;
    void placeCursorIn(const std::vector<Row>& rows);
    void requireCurrent() const;
    // A statement prepared once per connection and reset after each use: reading a list of
    // thousands of records would otherwise spend most of its time preparing the same queries.
    SqliteStatement& reusable(const QByteArray& sql) const;

    sqlite3* db_ = nullptr;
    mutable std::map<QByteArray, std::unique_ptr<SqliteStatement>> statements_;
    QString path_;
    std::vector<Row> rows_;
    // The store's data_version when rows_ was read; it changes only with commits made by
    // other connections.
    qint64 dataVersion_ = 0;
    Position position_ = Position::AfterLast;
    // Index of the current record; after Delete, the index of the record that followed it.
    std::size_t index_ = 0;
    // While position_ is Deleted: the row id of the record that was removed.
    qint64 removedRowid_ = 0;
    EditMode editMode_ = EditMode::None;
    std::map<QString, FieldValue> buffer_;
    bool inTransaction_ = false;
};

}  // namespace showlist
