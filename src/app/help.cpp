#include "help.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

QString guia_do_vendedor(const QString& program_folder)
{
    const QDir here(program_folder);
    for (const QString& candidate :
         {u"guia/guia-do-vendedor.html"_s, u"../share/doc/pedidos-vendedor/guia-do-vendedor.html"_s,
          u"../share/doc/pedidos-vendedor/guia-do-vendedor.md"_s}) {
        const QString path = QDir::cleanPath(here.filePath(candidate));
        if (QFileInfo(path).isFile()) return path;
    }
    return {};
}
