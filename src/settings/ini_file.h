#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// An INI file held as its lines, so that a write changes one key where it stands and keeps every
// other line (comments, other sections, unknown keys) byte for byte. Section and key names match
// without regard to case.
class IniFile {
public:
    // Reads path; a missing file reads as empty. An unreadable file raises FileError.
    static IniFile load(const QString& path);

    std::optional<QString> value(const QString& section, const QString& key) const;
    // Replaces the first occurrence of the key in the section, or adds the key at the end of the
    // section, or adds the section at the end of the file.
    void set_value(const QString& section, const QString& key, const QString& value);
    // Replaces the file atomically: a failed write leaves the old file whole. Raises FileError.
    void save(const QString& path) const;

    QByteArray bytes() const;

private:
    struct Line {
        QString text;     // without its line end
        QString ending;   // "\r\n", "\n", "\r" or empty for a last line without one
    };
    std::optional<QString> section_of(const Line& line) const;
    std::optional<QString> key_of(const Line& line) const;

    QList<Line> lines_;
    QString newline_ = QStringLiteral("\r\n");
};
