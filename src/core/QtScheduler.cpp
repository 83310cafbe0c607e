#include "QtScheduler.h"

#include <cmath>

QtScheduler::QtScheduler(QObject* parent) : QObject(parent) {}

QtScheduler::~QtScheduler() {
    for (auto& [id, timer] : m_timers) {
        delete timer.data();
    }
}

Scheduler::TaskId QtScheduler::schedule(double delaySeconds, std::function<void()> task) {
    const TaskId id = m_next++;
    auto* timer = new QTimer(this);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    const double ms = std::isfinite(delaySeconds) ? std::max(0.0, delaySeconds * 1000.0) : 0.0;
    timer->setInterval(static_cast<int>(std::lround(std::min(ms, 2.0e9))));
    connect(timer, &QTimer::timeout, this, [this, id, timer, task = std::move(task)] {
        m_timers.erase(id);
        timer->deleteLater();
        task();
    });
    m_timers.emplace(id, timer);
    timer->start();
    return id;
}

void QtScheduler::cancel(TaskId id) {
    auto it = m_timers.find(id);
    if (it == m_timers.end()) {
        return;
    }
    if (QTimer* timer = it->second.data()) {
        timer->stop();
        timer->deleteLater();
    }
    m_timers.erase(it);
}
