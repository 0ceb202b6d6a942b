#include "support/LoopbackHttpServer.h"

#include <QHostAddress>
#include <QTcpSocket>

#include <stdexcept>
#include <utility>

LoopbackHttpServer::LoopbackHttpServer()
{
    if (!server_.listen(QHostAddress::LocalHost)) {
        throw std::runtime_error("the loopback HTTP server could not listen");
    }
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            // Clients here send bodiless GET requests: the head is all there is to wait for.
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                if (!socket->peek(64 * 1024).contains("\r\n\r\n")) {
                    return;
                }
                const QByteArray head = socket->readAll();
                const QString path = QString::fromUtf8(head.left(head.indexOf("\r\n")).split(' ').value(1));
                emit requestReceived(path);
                if (holding_) {
                    waiting_.append({socket, path});
                } else {
                    answer(socket, path);
                }
            });
        }
    });
}

QUrl LoopbackHttpServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path));
}

void LoopbackHttpServer::setHolding(bool holding)
{
    holding_ = holding;
    if (!holding) {
        for (const auto& [socket, path] : std::exchange(waiting_, {})) {
            if (socket) {
                answer(socket, path);
            }
        }
    }
}

void LoopbackHttpServer::answer(QTcpSocket* socket, const QString& path)
{
    const Response response = responses_.value(path, Response{404, "not found", {}});
    QByteArray message = "HTTP/1.1 " + QByteArray::number(response.status) + " Answer\r\n";
    message += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\nConnection: close\r\n";
    for (const auto& [name, value] : response.headers) {
        message += name + ": " + value + "\r\n";
    }
    socket->write(message + "\r\n" + response.body);
    socket->disconnectFromHost();
}
