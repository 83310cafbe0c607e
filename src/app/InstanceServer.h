#pragma once

#include "app/ipc/InstanceFrame.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;
class QLocalSocket;

// The running instance's socket: accepts connections from this user only, reads framed
// requests (one URL each, bounded in size, from the command or from a link) and answers each
// with whether it was handled. A request of a kind it does not know is refused unread.
// Every connection is served as soon as it has a whole request, however many others are
// open; there is no client limit that idle connections could use up. A garbled or
// oversized client is dropped at once, a stalled one after idleTimeoutMs, without effect.
class InstanceServer : public QObject {
    Q_OBJECT
public:
    struct Reply {
        InstanceFrame::Verdict verdict = InstanceFrame::Verdict::Refused;
        QString reason;
    };
    using Handler = std::function<Reply(InstanceFrame::Source source, const QByteArray& url)>;
    // Whether the peer on a connected socket is this user.
    using PeerCheck = std::function<bool(qintptr socketDescriptor)>;

    static constexpr int idleTimeoutMs = 10000;

    InstanceServer(QString socketPath, PeerCheck sameUser, Handler handler,
                   QObject* parent = nullptr);
    ~InstanceServer() override;

    // Removes a stale socket file (the caller holds the instance lock) and listens.
    bool listen(QString* error);

private:
    void accept();
    void serve(QLocalSocket* socket);
    Reply answer(const std::string& payload);

    QString m_path;
    PeerCheck m_sameUser;
    Handler m_handler;
    QLocalServer* m_server;
};
