#pragma once

#include "Scheduler.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <unordered_map>

// Scheduler over single-shot QTimers on the thread that owns it (the main thread).
class QtScheduler final : public QObject, public Scheduler {
    Q_OBJECT
public:
    explicit QtScheduler(QObject* parent = nullptr);
    ~QtScheduler() override;

    TaskId schedule(double delaySeconds, std::function<void()> task) override;
    void cancel(TaskId id) override;

private:
    TaskId m_next = 1;
    std::unordered_map<TaskId, QPointer<QTimer>> m_timers;
};
