#pragma once

#include <QRect>
#include <QString>
#include <QStringList>
#include <ostream>

// Lets GoogleTest show Qt strings, and lists of them, as text in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '[';
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (i) *out << ", ";
        PrintTo(list.at(i), out);
    }
    *out << ']';
}

inline void PrintTo(const QRect& r, std::ostream* out) {
    *out << r.width() << 'x' << r.height() << '+' << r.x() << '+' << r.y();
}
