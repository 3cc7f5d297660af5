#include "offer/LoopbackHttpsServer.h"

#include <QFile>
#include <QSslConfiguration>
#include <QSslKey>
#include <stdexcept>

namespace tarnwick {

namespace {

QByteArray resource(const QString& name) {
    QFile file(":/offer/" + name);
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("test resource missing: " + name.toStdString());
    }
    return file.readAll();
}

QByteArray reasonFor(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 304:
        return "Not Modified";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

} // namespace

QSslCertificate LoopbackHttpsServer::certificate() {
    return QSslCertificate(resource("loopback-cert.pem"), QSsl::Pem);
}

LoopbackHttpsServer::LoopbackHttpsServer() {
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificate(certificate());
    configuration.setPrivateKey(QSslKey(resource("loopback-key.pem"), QSsl::Ec, QSsl::Pem));
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    server.setSslConfiguration(configuration);
    if (!server.listen(QHostAddress::LocalHost, 0)) {
        throw std::runtime_error("cannot listen on the loopback interface");
    }
    connect(&server, &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (server.hasPendingConnections()) {
            auto* socket = static_cast<QSslSocket*>(server.nextPendingConnection());
            socket->setParent(this);
            connect(socket, &QSslSocket::readyRead, this, [this, socket] { readFrom(socket); });
            connect(socket, &QSslSocket::disconnected, this, [this, socket] {
                received.remove(socket);
                socket->deleteLater();
            });
            readFrom(socket);
        }
    });
}

QUrl LoopbackHttpsServer::base() const {
    return QUrl(QStringLiteral("https://127.0.0.1:%1").arg(server.serverPort()));
}

void LoopbackHttpsServer::readFrom(QSslSocket* socket) {
    QByteArray& buffer = received[socket];
    buffer += socket->readAll();
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0) {
        return;
    }
    ++requestCount;
    latest = buffer.left(end + 4);
    buffer.clear();
    if (next.silent) {
        return;
    }
    QByteArray head = "HTTP/1.1 " + QByteArray::number(next.status) + " " + reasonFor(next.status) + "\r\n";
    head += "Content-Type: application/json\r\nConnection: close\r\n";
    if (next.withLength) {
        head += "Content-Length: " + QByteArray::number(next.body.size()) + "\r\n";
    }
    socket->write(head + "\r\n" + next.body);
    socket->disconnectFromHost();
}

} // namespace tarnwick
