#include "document_viewer.h"

#include "core/messages.h"

#include <QDesktopServices>
#include <QDir>

using namespace Qt::StringLiterals;

bool open_with_desktop(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

void open_in_viewer(Messages& messages, const QString& path, const std::function<bool(const QUrl&)>& open)
{
    if (open(QUrl::fromLocalFile(path))) return;
    messages.warning(u"Nenhum programa deste computador abriu o documento. Ele foi gravado em %1; abra-o com "
                     u"um leitor de PDF."_s.arg(QDir::toNativeSeparators(path)));
}
