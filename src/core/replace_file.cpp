#include "replace_file.h"

#include "errors.h"
#include "private_files.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QScopeGuard>

#ifdef Q_OS_WIN
#include <QThread>

#include <io.h>
#include <qt_windows.h>
#else
#include <filesystem>

#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

// Forces what was written to the disk, so that a power cut cannot leave the new name on a file
// whose contents never arrived. False when the system refuses.
bool sync_to_disk(const QFile& file)
{
#ifdef Q_OS_WIN
    return FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(file.handle())));
#else
    return ::fdatasync(file.handle()) == 0;
#endif
}

// Puts the written file in the old one's place. Windows refuses while another program (an
// antivirus, the search indexer) holds the old file open for a moment, so it is tried again for
// about a second there. The cause is empty on success.
QString rename_over(const QString& from, const QString& to)
{
#ifdef Q_OS_WIN
    const std::wstring source = QDir::toNativeSeparators(from).toStdWString();
    const std::wstring target = QDir::toNativeSeparators(to).toStdWString();
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return {};
        const DWORD code = GetLastError();
        const bool held =
            code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION;
        if (!held || attempt == 20) return qt_error_string(static_cast<int>(code));
        QThread::msleep(50);
    }
#else
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(from.toStdU16String()),
                            std::filesystem::path(to.toStdU16String()), error);
    return error ? QString::fromLocal8Bit(error.message()) : QString();
#endif
}

} // namespace

// A new file beside the old one, private to the user, closed once whole (Windows cannot rename a
// file that is still open), then renamed over it, so that a crash leaves the old file or the new
// one, never a part. A file others could read becomes private the next time it is written.
void replace_file(const QString& path, const std::function<void(const FileWriter& write)>& fill,
                  const QString& failure, Durability durability)
{
    const auto fail = [&](const QString& cause) { throw FileError(failure + u": "_s + cause); };
    QFile file;
    const std::optional<QFile::Permissions> permissions = private_file_permissions();
    const QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::NewOnly;
    for (int attempt = 0; !file.isOpen(); ++attempt) {
        file.setFileName(path + u".novo-"_s + QString::number(QRandomGenerator::global()->generate(), 36));
        const bool opened = permissions ? file.open(mode, *permissions) : file.open(mode);
        if (!opened && (!file.exists() || attempt == 10)) fail(file_cause(file));
    }
    // Whatever happens from here, the unfinished file does not stay behind.
    auto remove = qScopeGuard([&] { QFile::remove(file.fileName()); });
    fill([&](std::string_view bytes) {
        if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()))
            fail(file_cause(file));
    });
    // The last bytes wait in the file's buffer: a full disk shows when they go out.
    if (!file.flush()) fail(file_cause(file));
    if (durability == Durability::Synced && !sync_to_disk(file))
        fail(u"falha na gravação (o disco não confirmou os dados)"_s);
    file.close();
    if (file.error() != QFileDevice::NoError) fail(file_cause(file));
    if (const QString cause = rename_over(file.fileName(), path); !cause.isEmpty())
        fail(u"o arquivo não pôde ser substituído ("_s + cause + u')');
    remove.dismiss();
}

void replace_file(const QString& path, QByteArrayView bytes, const QString& failure, Durability durability)
{
    replace_file(
        path, [&](const FileWriter& write) { write(std::string_view(bytes.data(), bytes.size())); }, failure,
        durability);
}
