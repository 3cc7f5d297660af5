#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QSslCertificate>
#include <QSslServer>
#include <QUrl>

namespace tarnwick {

// An HTTPS server on 127.0.0.1 with the test certificate, answering every request the same way until told
// otherwise. It runs on the thread's event loop, so tests wait with an event loop of their own.
class LoopbackHttpsServer : public QObject {
    Q_OBJECT

public:
    struct Answer {
        int status = 200;
        QByteArray body;
        bool withLength = true; // without: the body ends when the connection closes
        bool silent = false;    // read the request, then say nothing and keep the connection open
    };

    LoopbackHttpsServer();

    // The certificate the server presents; a client must be told to trust it.
    static QSslCertificate certificate();

    QUrl base() const;
    void answerWith(Answer answer) { next = std::move(answer); }
    int requests() const { return requestCount; }
    // The request line and headers of the latest request, as sent.
    QByteArray lastRequest() const { return latest; }

private:
    void readFrom(QSslSocket* socket);

    QSslServer server;
    QHash<QSslSocket*, QByteArray> received;
    Answer next;
    int requestCount = 0;
    QByteArray latest;
};

} // namespace tarnwick
