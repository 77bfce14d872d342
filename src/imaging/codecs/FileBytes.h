#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include "imaging/codecs/ByteReader.h"

namespace imaging::codecs {

// A whole file as bytes, mapped into memory where the system allows so a large photo is
// not copied before decoding. Throws kFileNotFound when the file cannot be opened.
class FileBytes {
public:
    explicit FileBytes(const QString& path);
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    Bytes bytes() const { return bytes_; }

private:
    QFile file_;
    QByteArray copy_;
    Bytes bytes_;
};

}  // namespace imaging::codecs
