#pragma once

#include "regional.h"

#include <QDate>
#include <QString>

#include <functional>

class Messages;
class Transport;

// The services built once in main (or by a test) and handed to every screen and routine.
struct Context {
    // Absolute path of the data folder, ending with '/'. Every file of the system is under it.
    QString data_folder;
    Regional regional;
    Messages* messages = nullptr;
    // Carries every server call; tests wrap the real one to see the exact bytes.
    Transport* transport = nullptr;
    // Today's date; tests fix it.
    std::function<QDate()> today = [] { return QDate::currentDate(); };

    QString path(const QString& relative) const { return data_folder + relative; }
};
