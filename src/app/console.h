#pragma once

#include <QString>
#include <QStringList>

// The program's arguments and its answers on the terminal it was started from, before the
// application exists. On Windows the arguments come as UTF-16 from the system (argv holds them in
// the 8-bit code page, which loses letters), and a window program has no console of its own: it
// writes to its parent's, in UTF-16 so that accents show whatever the console's code page, or to
// the file or pipe it was redirected to, in UTF-8.
QStringList console_arguments(int argc, char** argv);

enum class ConsoleStream { Output, Error };
void console_write(const QString& text, ConsoleStream stream);
