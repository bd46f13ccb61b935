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

// Which of Qt's own options (-platform offscreen, -style fusion...) the arguments may still hold.
enum class QtOptions {
    // Before the application starts: passed over, so that help, the version and a mistake are
    // answered without a window system.
    Present,
    // Already taken out by the application: anything left is the program's or a mistake.
    Removed,
};

// Reads the arguments after the program's name.
CommandLine read_command_line(const QStringList& arguments, QtOptions qt_options = QtOptions::Removed);
