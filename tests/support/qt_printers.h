#pragma once

#include <QString>
#include <QStringList>

#include <ostream>

// Readable failures: GoogleTest shows these values as text rather than as raw bytes.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << '{';
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (i > 0) *os << ", ";
        PrintTo(list[i], os);
    }
    *os << '}';
}
