#pragma once

#include <QByteArrayView>
#include <QString>

#include <functional>
#include <string_view>

// Replaces the file at path as a whole: what fill hands to its writer goes to a temporary file
// beside it, which then takes the file's place, so that a failure or a crash never leaves the file
// half written. A failure raises FileError with failure, a colon and the cause.
using FileWriter = std::function<void(std::string_view bytes)>;
void replace_file(const QString& path, const std::function<void(const FileWriter& write)>& fill,
                  const QString& failure);
void replace_file(const QString& path, QByteArrayView bytes, const QString& failure);
