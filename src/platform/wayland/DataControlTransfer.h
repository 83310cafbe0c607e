#pragma once

#include "DataControlFd.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <memory>

class QSocketNotifier;

// Serves one paste from memory: writes the bytes into the pipe the reading program gave, as
// fast as it takes them, from the event loop and never waiting on it (the pipe is
// non-blocking and written only when it has room). It ends once everything is written, the
// reader went away (the write fails: SIGPIPE is ignored by the program), or the reader took
// nothing for `stallMs`; it then closes the pipe, says `ended` and deletes itself. It keeps
// its own reference to the bytes, so they live exactly as long as some transfer needs them.
class DataControlTransfer final : public QObject {
    Q_OBJECT
public:
    DataControlTransfer(DataControlFd fd, QByteArray bytes, QObject* parent = nullptr);
    ~DataControlTransfer() override;

    static constexpr int stallMs = 30000;

Q_SIGNALS:
    void ended();

private:
    void writeSome();
    void end();

    DataControlFd m_fd;
    QByteArray m_bytes;
    qsizetype m_written = 0;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QTimer m_stall;
};
