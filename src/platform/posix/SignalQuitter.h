#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a clean quit of the Qt event loop (through a self-pipe, so
// nothing but write() runs in the signal handler), and ignores SIGPIPE.
class SignalQuitter : public QObject {
    Q_OBJECT
public:
    explicit SignalQuitter(QObject* parent = nullptr);
    ~SignalQuitter() override;

Q_SIGNALS:
    void quitRequested(int signal);

private:
    QSocketNotifier* m_notifier = nullptr;
};
