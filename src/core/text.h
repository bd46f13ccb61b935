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

// Text that came from outside the program (a server's reply, a certificate, a file name), made fit
// to show: control characters other than line breaks become blanks, and past max characters it is
// cut with "…", so that a hostile or broken peer cannot fill a message box.
QString outside_text(QStringView text, qsizetype max = 300);
