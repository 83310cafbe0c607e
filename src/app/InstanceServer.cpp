#include "InstanceServer.h"

#include "app/ipc/InstanceFrame.h"
#include "core/Log.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <memory>

InstanceServer::InstanceServer(QString socketPath, PeerCheck sameUser, Handler handler,
                               QObject* parent)
    : QObject(parent), m_path(std::move(socketPath)), m_sameUser(std::move(sameUser)),
      m_handler(std::move(handler)), m_server(new QLocalServer(this)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &InstanceServer::accept);
}

InstanceServer::~InstanceServer() {
    m_server->close();
}

bool InstanceServer::listen(QString* error) {
    QLocalServer::removeServer(m_path);
    if (!m_server->listen(m_path)) {
        *error = m_server->errorString();
        return false;
    }
    return true;
}

void InstanceServer::accept() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        if (!m_sameUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        serve(socket);
    }
}

InstanceServer::Reply InstanceServer::answer(const std::string& payload) {
    const auto request = InstanceFrame::parseRequest(payload);
    if (!request) {
        qCWarning(Log::automation) << "refused a request of an unknown kind";
        return {InstanceFrame::Verdict::Refused, QStringLiteral("unknown kind of request")};
    }
    return m_handler(request->source,
                     QByteArray(request->url.data(), static_cast<qsizetype>(request->url.size())));
}

void InstanceServer::serve(QLocalSocket* socket) {
    auto reader = std::make_shared<InstanceFrame::Reader>();
    auto* idle = new QTimer(socket);
    idle->setSingleShot(true);
    idle->setInterval(idleTimeoutMs);
    connect(idle, &QTimer::timeout, socket, &QLocalSocket::abort);
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, reader, idle] {
        idle->start();
        const QByteArray bytes = socket->readAll();
        reader->feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        while (auto frame = reader->next()) {
            Reply reply{InstanceFrame::Verdict::Done, QString()};
            if (!frame->empty()) {
                reply = answer(*frame);
            }
            const std::string out =
                InstanceFrame::reply(reply.verdict, reply.reason.toUtf8().toStdString());
            socket->write(out.data(), static_cast<qint64>(out.size()));
        }
        if (reader->failed()) {
            qCWarning(Log::automation) << "dropped a client that sent a malformed message";
            socket->abort();
        }
    });
    idle->start();
}
