#pragma once

#include <QString>

#include <exception>

class QFileDevice;

// Every failure the logic raises. Handlers never catch these themselves: the application's error
// report shows message() and the event loop goes on.
class Error : public std::exception {
public:
    explicit Error(QString message);
    const QString& message() const noexcept { return message_; }
    const char* what() const noexcept override { return what_.constData(); }

private:
    QString message_;
    QByteArray what_;
};

// A text that does not convert into a number or a date, an unreadable filter.
class ConversionError : public Error {
    using Error::Error;
};

// A file that cannot be read, created or written.
class FileError : public Error {
    using Error::Error;
};

// The server cannot be reached, the call failed or the server answered with an error.
class ServerError : public Error {
    using Error::Error;
};

// The server could not be reached, did not answer in time, or the exchange was cut or cancelled:
// nothing came back to say whether a request that went out took effect. An order may then be kept
// and sent again later, since the server takes the same order once.
class ConnectionError : public ServerError {
    using ServerError::ServerError;
};

// A reply or document that does not have the shape the client needs.
class ProtocolError : public Error {
    using Error::Error;
};

// Why an operation on a file failed, in Portuguese, with the system's own words after it for
// whoever supports the salesperson: "falha na gravação (No space left on device)".
QString file_cause(const QFileDevice& file);
