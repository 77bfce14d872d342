#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "support/QtPrinting.h"

#include "showlist/RecordSet.h"
#include "support/TempFolder.h"

namespace testing_support {

struct StoredRecord {
    showlist::FieldValue path;
    showlist::FieldValue image;
    showlist::FieldValue viewTime;
    showlist::FieldValue setup;
    bool operator==(const StoredRecord&) const = default;
};

inline void PrintTo(const StoredRecord& record, std::ostream* out) {
    // Streamed piece by piece: GCC 12 at -O3 warns (falsely) about a chain of std::string +.
    const char* separator = "{";
    for (const showlist::FieldValue& value :
         {record.path, record.image, record.viewTime, record.setup}) {
        *out << separator;
        separator = ", ";
        if (value)
            *out << '"' << value->toStdString() << '"';
        else
            *out << "null";
    }
    *out << "}";
}

// Reads the WALLPAPER table straight from the file, in stored order, bypassing the code
// under test.
std::vector<StoredRecord> readStore(const QString& databasePath);

// Creates a store file with the given records through plain SQL.
void writeStore(const QString& databasePath, const std::vector<StoredRecord>& records);

// Runs SQL statements on a store file.
void executeSql(const QString& databasePath, const QString& sql);

QByteArray fileBytes(const QString& path);

// Another program holding the store: a second connection inside BEGIN EXCLUSIVE, which
// keeps every other connection from reading or writing until release() or destruction.
class StoreLock {
public:
    explicit StoreLock(const QString& databasePath);
    ~StoreLock();
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;
    void release();

private:
    ::sqlite3* db_ = nullptr;
};

}  // namespace testing_support
