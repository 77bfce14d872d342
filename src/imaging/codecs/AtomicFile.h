#pragma once

#include <QFile>
#include <QIODevice>
#include <QString>

// A file that replaces another whole or not at all: the writers write to a temporary file
// beside the target, and commit() renames it over the target once everything is on the disk.
// A full disk, a failing device or a failed rename leaves the old file as it was and no
// temporary file behind, and the failure is reported in the system's words ("No space left
// on device") as kWriteFailed.
namespace imaging::codecs {

class AtomicFile final : public QIODevice {
public:
    // Creates the temporary file; throws kWriteFailed when the folder does not let it. A file
    // that is not `durable` is renamed without waiting for the disk.
    explicit AtomicFile(const QString& path, bool durable = true);
    // Removes the temporary file unless it was committed.
    ~AtomicFile() override;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Writes what is still buffered, syncs it to the disk, closes the file and renames it
    // over the target. Throws kWriteFailed with the first failure since the file was made;
    // the temporary file is then gone and the target untouched.
    void commit();

    // The first write, seek or read that failed, in the system's words; empty while none has.
    // A writer may stop at its first failed write; commit() reports this text either way.
    QString failure() const { return failure_; }
    bool failed() const { return !failure_.isEmpty(); }

    bool isSequential() const override { return false; }
    qint64 size() const override;
    bool seek(qint64 position) override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    void fail(const QString& text);
    [[noreturn]] void discardAndThrow(const QString& text);

    QString target_;
    QFile temporary_;
    QString failure_;
    bool durable_;
    bool committed_ = false;
};

}  // namespace imaging::codecs
