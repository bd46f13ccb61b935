#pragma once

#include <QFile>
#include <QString>

#include <optional>

// The data folder holds the salesperson's key and the customers' data: on Linux its folders are
// made for the user alone (0700) and every file the program writes there is the user's alone
// (0600), whatever the umask. On Windows the folder inherits the rights of where it is made.

// The permissions a new file of the data folder is created with; nothing on Windows.
std::optional<QFile::Permissions> private_file_permissions();

// Creates the folder and any missing folder above it; the folder itself, when it is made here, is
// private. False when it cannot be made.
bool make_private_folder(const QString& path);
