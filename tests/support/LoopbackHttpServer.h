#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

// A tiny HTTP/1.1 server on 127.0.0.1 for tests of network clients: answers each path as told
// (404 otherwise), and can hold answers back until released so a test can look at the client
// while a request is in flight.
class LoopbackHttpServer : public QObject
{
    Q_OBJECT

public:
    struct Response
    {
        int status = 200;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
    };

    LoopbackHttpServer();

    QUrl url(const QString& path) const;
    void respond(const QString& path, Response response) { responses_.insert(path, std::move(response)); }
    // While holding, requests wait unanswered; releasing answers every waiting request.
    void setHolding(bool holding);

signals:
    void requestReceived(const QString& path);

private:
    void answer(QTcpSocket* socket, const QString& path);

    QTcpServer server_;
    QHash<QString, Response> responses_;
    bool holding_ = false;
    QList<QPair<QPointer<QTcpSocket>, QString>> waiting_;
};
