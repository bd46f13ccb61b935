#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// An INI file held as its lines, so that a write changes one key where it stands and keeps every
// other line (comments, other sections, unknown keys) byte for byte. Section and key names match
// without regard to case.
//
// A hand-edited file may be UTF-8 (with or without a byte-order mark), UTF-16 with its mark, or
// else the Windows code page: it is read in the first of these that gives its bytes back exactly,
// and written in the same, so that lines that were not written keep their bytes.
class IniFile {
public:
    enum class Encoding : std::uint8_t { Utf8, Utf16LE, Utf16BE, Ansi };

    // Reads path; a missing file reads as empty. An unreadable file raises FileError. A file over
    // max_bytes is not read: it reads as empty and damaged, and saving it raises FileError.
    static IniFile load(const QString& path);
    static IniFile from_bytes(const QByteArray& bytes);

    std::optional<QString> value(const QString& section, const QString& key) const;
    // Replaces the first occurrence of the key in the section, or adds the key at the end of the
    // section, or adds the section at the end of the file.
    void set_value(const QString& section, const QString& key, const QString& value);
    // Replaces the file atomically: a failed write leaves the old file whole. Raises FileError.
    void save(const QString& path) const;

    QByteArray bytes() const;
    Encoding encoding() const { return encoding_; }
    bool has_bom() const { return bom_; }

    // What makes the file unusable as a settings file (control characters, as in a binary file;
    // no such section; its size; a UTF-16 mark before text that is not UTF-16), or nullopt. Lines
    // the reader skips are no damage.
    std::optional<QString> damage(const QString& section) const;

    // A settings file is a few lines: anything near this size is something else.
    static constexpr qint64 max_bytes = 1 << 20;

private:
    struct Line {
        QString text;   // without its line end
        QString ending; // "\r\n", "\n", "\r" or empty for a last line without one
    };
    std::optional<QString> section_of(const Line& line) const;
    std::optional<QString> key_of(const Line& line) const;

    QList<Line> lines_;
    QString newline_ = QStringLiteral("\r\n");
    Encoding encoding_ = Encoding::Utf8;
    bool bom_ = false;
    bool too_large_ = false;
    bool false_utf16_mark_ = false;
};
