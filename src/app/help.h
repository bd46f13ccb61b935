#pragma once

#include <QString>

// Where the salesperson's guide is for the program that runs from program_folder: guia\ beside it
// (the Windows installer), or ../share/doc/pedidos-vendedor/ (the Debian package), as HTML or else
// as Markdown. Empty when neither is there, as for a build run from its own folder.
QString guia_do_vendedor(const QString& program_folder);
