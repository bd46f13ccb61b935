#include "private_files.h"

#include <QDir>
#include <QFileInfo>

std::optional<QFile::Permissions> private_file_permissions()
{
#ifdef Q_OS_WIN
    return std::nullopt;
#else
    return QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
#endif
}

bool make_private_folder(const QString& path)
{
    const QString folder = QDir::cleanPath(path);
    if (QFileInfo(folder).isDir()) return true;
    const QFileInfo info(folder);
    if (!QDir().mkpath(info.path())) return false;
#ifdef Q_OS_WIN
    return QDir().mkdir(folder);
#else
    return QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser |
                                    QFile::WriteUser | QFile::ExeUser) ||
           QFileInfo(folder).isDir();
#endif
}
