#pragma once

#include "app/ipc/InstanceFrame.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;
class QLocalSocket;

// The running instance's socket: accepts connections from this user only, reads framed
// requests (one URL each, bounded in size) and answers each with whether it was handled.
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
    using Handler = std::function<Reply(const QByteArray& request)>;

    static constexpr int idleTimeoutMs = 10000;

    InstanceServer(QString socketPath, Handler handler, QObject* parent = nullptr);
    ~InstanceServer() override;

    // Removes a stale socket file (the caller holds the instance lock) and listens.
    bool listen(QString* error);

private:
    void accept();
    void serve(QLocalSocket* socket);

    QString m_path;
    Handler m_handler;
    QLocalServer* m_server;
};
