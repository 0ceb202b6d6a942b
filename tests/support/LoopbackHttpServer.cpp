#include "support/LoopbackHttpServer.h"

#include <QHostAddress>
#include <QTcpSocket>

#include <stdexcept>

LoopbackHttpServer::LoopbackHttpServer(QObject* parent)
    : QObject(parent)
{
    if (!server_.listen(QHostAddress::LocalHost)) {
        throw std::runtime_error("the loopback HTTP server could not listen");
    }
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

QUrl LoopbackHttpServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path));
}

void LoopbackHttpServer::respond(const QString& path, Response response)
{
    responses_.insert(path, std::move(response));
}

void LoopbackHttpServer::setHolding(bool holding)
{
    holding_ = holding;
    if (holding_) {
        return;
    }
    const auto waiting = std::exchange(waiting_, {});
    for (const auto& [socket, path] : waiting) {
        if (socket) {
            answer(socket, path);
        }
    }
}

void LoopbackHttpServer::readRequest(QTcpSocket* socket)
{
    // Clients here send bodiless GET requests: the head is all there is to wait for.
    if (!socket->peek(64 * 1024).contains("\r\n\r\n")) {
        return;
    }
    const QByteArray head = socket->readAll();
    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    const QString path = requestLine.size() >= 2 ? QString::fromUtf8(requestLine.at(1)) : QString();
    requestedPaths_.append(path);
    emit requestReceived(path);
    if (holding_) {
        waiting_.append({socket, path});
    } else {
        answer(socket, path);
    }
}

void LoopbackHttpServer::answer(QTcpSocket* socket, const QString& path)
{
    const Response response = responses_.value(path, Response{404, "not found", {}});
    QByteArray message = "HTTP/1.1 " + QByteArray::number(response.status) + " Answer\r\n";
    message += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    message += "Connection: close\r\n";
    for (const auto& [name, value] : response.headers) {
        message += name + ": " + value + "\r\n";
    }
    message += "\r\n" + response.body;
    socket->write(message);
    socket->disconnectFromHost();
}
