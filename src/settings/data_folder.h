#pragma once

#include <QString>

// The folder that holds every file of the system, with a trailing '/': c:\systemtemp\ on Windows,
// $XDG_DATA_HOME/pedidos-vendedor/ elsewhere.
QString data_folder();
