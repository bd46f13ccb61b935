#include "replace_file.h"

#include "errors.h"

#include <QDir>
#include <QSaveFile>
#include <QTemporaryFile>

#include <filesystem>

using namespace Qt::StringLiterals;

namespace {

// A temporary file beside the old one, renamed over it once whole: the same guarantee as QSaveFile
// against a crash, without its fdatasync.
void replace_unsynced(const QString& path, const std::function<void(const FileWriter& write)>& fill,
                      const QString& failure)
{
    QTemporaryFile file(path + u".XXXXXX"_s);
    const auto fail = [&](const QString& cause) { throw FileError(failure + u": "_s + cause); };
    if (!file.open()) fail(file_cause(file));
    fill([&](std::string_view bytes) {
        if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()))
            fail(file_cause(file));
    });
    if (!file.flush()) fail(file_cause(file));
    // Readable as a file the program writes otherwise would be (QTemporaryFile makes it private).
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                        QFileDevice::WriteUser | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    file.close();
    if (file.error() != QFileDevice::NoError) fail(file_cause(file));
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(QDir::toNativeSeparators(file.fileName()).toStdU16String()),
                            std::filesystem::path(QDir::toNativeSeparators(path).toStdU16String()), error);
    if (error) fail(QString::fromLocal8Bit(error.message()));
    file.setAutoRemove(false); // it is the file now
}

} // namespace

void replace_file(const QString& path, const std::function<void(const FileWriter& write)>& fill,
                  const QString& failure, Durability durability)
{
    if (durability == Durability::Replaceable) return replace_unsynced(path, fill, failure);
    QSaveFile file(path);
    const auto fail = [&] { throw FileError(failure + u": "_s + file_cause(file)); };
    if (!file.open(QIODevice::WriteOnly)) fail();
    fill([&](std::string_view bytes) {
        if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()))
            fail();
    });
    // The last bytes wait in the file's buffer; a full disk shows when they go out, and commit()
    // would still put a cut file in place.
    if (!file.flush() || !file.commit()) fail();
}

void replace_file(const QString& path, QByteArrayView bytes, const QString& failure, Durability durability)
{
    replace_file(
        path, [&](const FileWriter& write) { write(std::string_view(bytes.data(), bytes.size())); }, failure,
        durability);
}
