#pragma once

#include <QString>

#include <string>
#include <string_view>

inline QString qs(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

inline std::string utf8(const QString& text)
{
    const QByteArray b = text.toUtf8();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}
