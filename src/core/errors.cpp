#include "errors.h"

#include <QFileDevice>

using namespace Qt::StringLiterals;

Error::Error(QString message) : message_(std::move(message)), what_(message_.toUtf8()) {}

QString file_cause(const QFileDevice& file)
{
    QString what;
    switch (file.error()) {
    case QFileDevice::ReadError:
        what = u"falha na leitura"_s;
        break;
    case QFileDevice::WriteError:
        what = u"falha na gravação (disco cheio ou protegido?)"_s;
        break;
    case QFileDevice::OpenError:
        what = u"o arquivo não pôde ser aberto (sem permissão ou pasta inexistente?)"_s;
        break;
    case QFileDevice::PermissionsError:
        what = u"sem permissão"_s;
        break;
    case QFileDevice::RemoveError:
        what = u"o arquivo não pôde ser apagado"_s;
        break;
    case QFileDevice::RenameError:
    case QFileDevice::CopyError:
        what = u"o arquivo não pôde ser substituído"_s;
        break;
    case QFileDevice::ResizeError:
        what = u"o tamanho do arquivo não pôde ser alterado"_s;
        break;
    default:
        what = u"falha de acesso ao arquivo"_s;
        break;
    }
    const QString system = file.errorString();
    return system.isEmpty() ? what : what + u" ("_s + system + u')';
}
