#include "ClipboardChangeWait.h"

#include <memory>

namespace {
// One wait on change notices: whichever of the notice and the deadline comes first ends it.
struct NoticeWait {
    ClipboardAccess& clipboard;
    ClipboardEvents& events;
    Scheduler& scheduler;
    qint64 before;
    std::function<void()> then;
    ClipboardEvents::ListenerId listener = 0;
    Scheduler::TaskId deadline = 0;
    bool done = false;

    void finish() {
        if (done) {
            return;
        }
        done = true;
        events.removeListener(listener);
        if (deadline) {
            scheduler.cancel(deadline);
        }
        then();
    }
};

void poll(ClipboardAccess& clipboard, Scheduler& scheduler, qint64 before, int attempts,
          double interval, std::function<void()> then) {
    if (clipboard.changeCount() == before && attempts > 0) {
        scheduler.schedule(interval, [&clipboard, &scheduler, before, attempts, interval,
                                      then = std::move(then)]() mutable {
            poll(clipboard, scheduler, before, attempts - 1, interval, std::move(then));
        });
        return;
    }
    then();
}
} // namespace

void ClipboardChangeWait::start(ClipboardAccess& clipboard, Scheduler& scheduler, qint64 before,
                                int attempts, double interval, std::function<void()> then) {
    ClipboardEvents* events = clipboard.events();
    if (!events || clipboard.changeCount() != before || attempts <= 0) {
        poll(clipboard, scheduler, before, attempts, interval, std::move(then));
        return;
    }
    auto wait = std::make_shared<NoticeWait>(
        NoticeWait{clipboard, *events, scheduler, before, std::move(then)});
    std::weak_ptr<NoticeWait> weak = wait;
    // The listener holds the wait until it ends; the deadline only looks it up.
    wait->listener = events->onChange([wait] {
        if (wait->done || wait->clipboard.changeCount() == wait->before) {
            return;
        }
        // The capture runs outside whoever reported the change.
        wait->scheduler.schedule(0, [wait] { wait->finish(); });
        wait->events.removeListener(wait->listener);
    });
    wait->deadline = scheduler.schedule(attempts * interval, [weak] {
        if (const auto w = weak.lock()) {
            w->deadline = 0;
            w->finish();
        }
    });
}
