#include "replace_file.h"

#include "errors.h"

#include <QSaveFile>

using namespace Qt::StringLiterals;

void replace_file(const QString& path, const std::function<void(const FileWriter& write)>& fill,
                  const QString& failure)
{
    QSaveFile file(path);
    const auto fail = [&] { throw FileError(failure + u": "_s + file.errorString()); };
    if (!file.open(QIODevice::WriteOnly)) fail();
    fill([&](std::string_view bytes) {
        if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()))
            fail();
    });
    // The last bytes wait in the file's buffer; a full disk shows when they go out, and commit()
    // would still put a cut file in place.
    if (!file.flush() || !file.commit()) fail();
}

void replace_file(const QString& path, QByteArrayView bytes, const QString& failure)
{
    replace_file(
        path, [&](const FileWriter& write) { write(std::string_view(bytes.data(), bytes.size())); }, failure);
}
