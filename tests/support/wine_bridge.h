#pragma once

#include <QJsonObject>
#include <QString>
#include <QTcpSocket>

// The Windows tests run under Wine, and what they need from the Linux side (the reference server,
// poppler's tools, a certificate authority) is asked of pv-wine-bridge, whose port scripts/windows.sh
// puts in PV_WINE_BRIDGE. One session is one connection: what it started ends when it closes.
class BridgeSession {
public:
    BridgeSession();
    // Sends the request and waits for its answer; a broken bridge fails the test and answers {}.
    QJsonObject call(const QJsonObject& request);

private:
    QTcpSocket socket_;
};

// A Windows path as the Linux side sees it, and back (Wine's own mapping of drives to folders).
QString unix_path(const QString& windows_path);
QString windows_path(const QString& unix_path);
// Whether the text is a Windows path with a drive ("C:/..." or "C:\...").
bool is_windows_path(const QString& text);
