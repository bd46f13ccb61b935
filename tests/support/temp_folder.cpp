#include "temp_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

TempFolder::TempFolder()
{
    dir_.setAutoRemove(true);
}

QString TempFolder::path(const QString& relative) const
{
    return dir_.path() + u'/' + relative;
}

QByteArray TempFolder::read(const QString& relative) const
{
    QFile f(path(relative));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

void TempFolder::write(const QString& relative, const QByteArray& bytes) const
{
    const QString p = path(relative);
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    // A fixture that was not written would make the test check something else: it fails here.
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size() || !f.flush())
        ADD_FAILURE() << "cannot write the fixture " << p.toStdString() << ": "
                      << f.errorString().toStdString();
}

bool TempFolder::exists(const QString& relative) const
{
    return QFileInfo::exists(path(relative));
}

void TempFolder::write_config(const QString& empresa, const QString& ip, const QString& id,
                              const QString& chave) const
{
    write(QStringLiteral("config.ini"),
          QStringLiteral("[CONFIGURACAO]\r\nEmpresa=%1\r\nIP=%2\r\nID=%3\r\nChave=%4\r\n")
              .arg(empresa, ip, id, chave)
              .toUtf8());
}

Context make_context(const TempFolder& folder, Messages* messages)
{
    Context c;
    c.data_folder = folder.path();
    c.regional = Regional::brazil();
    c.messages = messages;
    return c;
}
