#pragma once

#include <QFile>

namespace bench {

// This process's resident memory in megabytes, as the system counts it (VmRSS); 0 where it
// cannot be read.
inline double residentMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ')[0].toDouble() / 1024;
    return 0;
}

}  // namespace bench
