#include "data_folder.h"

#include <QDir>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

QString data_folder()
{
#ifdef Q_OS_WIN
    return u"c:/systemtemp/"_s;
#else
    return as_data_folder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                          u"/pedidos-vendedor"_s);
#endif
}

QString as_data_folder(const QString& path)
{
    QString folder = QDir::cleanPath(QDir(path).absolutePath());
    if (!folder.endsWith(u'/')) folder += u'/';
    return folder;
}
