#pragma once

#include "regional.h"

#include <QDate>
#include <QString>

#include <functional>

class JsonParser;
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
    // Parses the server's replies and the cache files read back. Fresh memory is the largest cost
    // of a catalogue load, so main keeps one parser for them all; without it each download makes
    // its own.
    JsonParser* parser = nullptr;
    // Hands a document to the desktop's viewer without waiting for it; tests record the path.
    std::function<void(const QString& path)> open_document;
    // Today's date; tests fix it.
    std::function<QDate()> today = [] { return QDate::currentDate(); };

    QString path(const QString& relative) const { return data_folder + relative; }
};
