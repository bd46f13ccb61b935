#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The system's ANSI code page. Files written on the salesperson's Windows machine use
// Windows-1252 (Western European, as in Brazil); Linux has no ANSI code page, so Windows-1252 is
// taken there too. Every byte decodes to one character and back: the five bytes the code page
// leaves unassigned stand for the C1 control of the same value, as Windows does.
QString decode_ansi(QByteArrayView bytes);

// A file's text as its writer meant it: a byte-order mark selects UTF-8 or UTF-16 (an editor may
// have saved it so), otherwise the bytes are in the ANSI code page, as the program writes them.
QString decode_marked_text(QByteArrayView bytes);

// The text in the code page; a character it lacks becomes '?'. encodes_in_ansi() tells whether
// every character has its byte.
QByteArray encode_ansi(QStringView text);
bool encodes_in_ansi(QStringView text);
