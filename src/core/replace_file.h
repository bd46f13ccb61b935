#pragma once

#include <QByteArrayView>
#include <QString>

#include <functional>
#include <string_view>

// Replaces the file at path as a whole: what fill hands to its writer goes to a temporary file
// beside it, which then takes the file's place, so that a failure or a crash never leaves the file
// half written. A failure raises FileError with failure, a colon and the cause.
using FileWriter = std::function<void(std::string_view bytes)>;

// Whether the new contents must be on the disk before they take the old file's place.
enum class Durability {
    // Settings, order copies, orders kept for later: forced to the disk first (fdatasync), so that
    // a power cut leaves the old file or the new one, whole.
    Synced,
    // What the next download writes again (the cached catalogue): not forced. A crash of the
    // program still leaves the old or the new file whole; only a power cut right after the write
    // could leave it damaged, and a damaged cache file is refused when read and replaced by the
    // next download. Forcing tens of megabytes to the disk at every start-up would double the cost
    // of writing them.
    Replaceable,
};

void replace_file(const QString& path, const std::function<void(const FileWriter& write)>& fill,
                  const QString& failure, Durability durability = Durability::Synced);
void replace_file(const QString& path, QByteArrayView bytes, const QString& failure,
                  Durability durability = Durability::Synced);
