#pragma once

#include <QByteArray>
#include <QList>
#include <QTcpServer>

#include <functional>

// A loopback server that misbehaves on purpose: each connection gets the next scripted answer,
// written as raw bytes (so a test can send garbage, cut a reply short, or say nothing at all).
class ScriptedServer : public QObject {
public:
    struct Answer {
        QByteArray bytes;        // written once the request has arrived
        bool close_after = true; // close the connection after writing
        bool silent = false;     // accept and never answer
        int delay_ms = 0;        // how long the server thinks before it answers
    };
    ScriptedServer();
    quint16 port() const { return server_.serverPort(); }
    QString address() const; // "127.0.0.1:port"
    void answer(Answer a) { answers_.append(std::move(a)); }
    // An HTTP/1.1 answer with a status and a body.
    static Answer http(int status, const QByteArray& body, int delay_ms = 0);

    QList<QByteArray> requests; // whole requests as received (headers and body)
    // Called with the count of requests so far as each one arrives, before it is answered: what a
    // test does there happens while the client waits for that answer.
    std::function<void(qsizetype count)> on_request;

private:
    QTcpServer server_;
    QList<Answer> answers_;
};
