#pragma once

#include <QString>
#include <map>
#include <optional>

namespace showlist {

// Names and values kept in the setup store beside the show list, in a table of their own
// (MONITORS: Name, Value), so the show list's table never changes shape. A store without the
// table reads as holding nothing and gains it at the first write.
class MonitorSettings {
public:
    explicit MonitorSettings(QString storePath);

    const QString& storePath() const { return storePath_; }

    // Every stored name and value; none when the store or the table cannot be read.
    std::map<QString, QString> read() const;

    // Stores the values together, all or none; a value of nullopt removes the name. A store
    // file that does not exist yet is created with its show list table. Throws StoreError
    // when the store cannot take them.
    void write(const std::map<QString, std::optional<QString>>& values) const;

private:
    QString storePath_;
};

}  // namespace showlist
