#include "data_folder.h"

#include <QDir>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

QString data_folder()
{
#ifdef Q_OS_WIN
    return u"c:/systemtemp/"_s;
#else
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir::cleanPath(base + u"/pedidos-vendedor"_s) + u'/';
#endif
}
