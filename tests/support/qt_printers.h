#pragma once

#include <QString>

#include <ostream>

// Readable failures: GoogleTest shows these values as text rather than as raw bytes.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
