#pragma once

#include <QString>

// The folder that holds every file of the system, with a trailing '/': c:\systemtemp\ on Windows,
// $XDG_DATA_HOME/pedidos-vendedor/ elsewhere.
QString data_folder();

// A folder given by the salesperson (relative to the current folder or absolute) written as the
// data folder is: absolute, clean, and with one trailing '/'.
QString as_data_folder(const QString& path);
