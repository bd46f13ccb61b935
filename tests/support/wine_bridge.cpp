#include "wine_bridge.h"

#include <QDir>
#include <QJsonDocument>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <qt_windows.h>

using namespace Qt::StringLiterals;

BridgeSession::BridgeSession()
{
    const quint16 port = static_cast<quint16>(qEnvironmentVariable("PV_WINE_BRIDGE").toUInt());
    if (port == 0) {
        ADD_FAILURE() << "PV_WINE_BRIDGE não definido: rode os testes pelo scripts/windows.sh --testar";
        return;
    }
    socket_.connectToHost(u"127.0.0.1"_s, port);
    if (!socket_.waitForConnected(10000))
        ADD_FAILURE() << "pv-wine-bridge: " << socket_.errorString().toStdString();
}

QJsonObject BridgeSession::call(const QJsonObject& request)
{
    if (socket_.state() != QAbstractSocket::ConnectedState) return {};
    socket_.write(QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n');
    while (!socket_.canReadLine()) {
        if (!socket_.waitForReadyRead(180000)) {
            ADD_FAILURE() << "pv-wine-bridge não respondeu: " << socket_.errorString().toStdString();
            return {};
        }
    }
    return QJsonDocument::fromJson(socket_.readLine()).object();
}

namespace {

template <typename Function> Function wine_function(const char* name)
{
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
}

} // namespace

QString unix_path(const QString& windows_path)
{
    using ToUnix = char*(CDECL*)(const wchar_t*);
    static const auto to_unix = wine_function<ToUnix>("wine_get_unix_file_name");
    if (to_unix == nullptr) return windows_path;
    const std::wstring native = QDir::toNativeSeparators(windows_path).toStdWString();
    char* converted = to_unix(native.c_str());
    if (converted == nullptr) return windows_path;
    const QString result = QString::fromUtf8(converted);
    HeapFree(GetProcessHeap(), 0, converted);
    return result;
}

QString windows_path(const QString& unix_path)
{
    using ToWindows = wchar_t*(CDECL*)(const char*);
    static const auto to_windows = wine_function<ToWindows>("wine_get_dos_file_name");
    if (to_windows == nullptr) return unix_path;
    wchar_t* converted = to_windows(unix_path.toUtf8().constData());
    if (converted == nullptr) return unix_path;
    const QString result = QDir::fromNativeSeparators(QString::fromWCharArray(converted));
    HeapFree(GetProcessHeap(), 0, converted);
    return result;
}

bool is_windows_path(const QString& text)
{
    static const QRegularExpression drive(u"^[A-Za-z]:[/\\\\]"_s);
    return drive.match(text).hasMatch();
}
