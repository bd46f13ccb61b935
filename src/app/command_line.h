#pragma once

#include <QString>
#include <QStringList>

// What the program was asked to do from its command line.
struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    // Help, Version: what to print on standard output; Error: the message for standard error.
    QString text;
    // --pasta-dados, made absolute and ending with '/'; empty for the usual folder.
    QString data_folder;
    // --registro: every logging category on, to standard error.
    bool registro = false;
};

// Reads the arguments after the program's name (Qt's own, such as -platform, already taken out).
CommandLine read_command_line(const QStringList& arguments);

// Whether the raw arguments ask for --help or --version, which are answered before any window
// system is needed.
bool asks_only_for_text(const QStringList& arguments);
