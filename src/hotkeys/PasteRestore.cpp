#include "PasteRestore.h"

#include <memory>

namespace {
struct Restore {
    Scheduler& scheduler;
    std::vector<ClipboardEvents*> watched;
    std::function<void()> restore;
    std::vector<ClipboardEvents::ListenerId> listeners;
    Scheduler::TaskId boundTask = 0;
    Scheduler::TaskId settleTask = 0;
    // Reads started since the paste and not yet over.
    int running = 0;
    bool extended = false;
    bool done = false;

    void cancel(Scheduler::TaskId& task) {
        if (task) {
            scheduler.cancel(task);
            task = 0;
        }
    }
    void finish() {
        if (done) {
            return;
        }
        done = true;
        cancel(boundTask);
        cancel(settleTask);
        for (std::size_t i = 0; i < watched.size(); ++i) {
            watched[i]->removeListener(listeners[i]);
        }
        restore();
    }
};

void armBound(const std::shared_ptr<Restore>& r) {
    std::weak_ptr<Restore> weak = r;
    r->boundTask = r->scheduler.schedule(PasteRestore::bound, [weak] {
        const auto self = weak.lock();
        if (!self) {
            return;
        }
        self->boundTask = 0;
        if (self->running > 0 && !self->extended) {
            self->extended = true; // a read still under way is let finish, within a bound too
            armBound(self);
            return;
        }
        self->finish();
    });
}

void armSettle(const std::shared_ptr<Restore>& r) {
    r->cancel(r->settleTask);
    std::weak_ptr<Restore> weak = r;
    r->settleTask = r->scheduler.schedule(PasteRestore::settle, [weak] {
        if (const auto self = weak.lock()) {
            self->settleTask = 0;
            self->finish();
        }
    });
}
} // namespace

void PasteRestore::start(Scheduler& scheduler, std::vector<ClipboardEvents*> watched, double delay,
                         std::function<void()> restore) {
    std::erase(watched, nullptr);
    if (watched.empty()) {
        scheduler.schedule(delay, std::move(restore));
        return;
    }
    auto r = std::make_shared<Restore>(Restore{scheduler, watched, std::move(restore), {}});
    // The listeners hold the restore until it has run; the timers only look it up.
    for (ClipboardEvents* events : watched) {
        r->listeners.push_back(events->onServed([r](ClipboardEvents::Served served) {
            if (r->done) {
                return;
            }
            if (served == ClipboardEvents::Served::Started) {
                ++r->running;
                r->cancel(r->settleTask); // the slot stays for this read
                return;
            }
            if (r->running == 0) {
                return; // a read that began before this paste
            }
            if (--r->running == 0) {
                armSettle(r);
            }
        }));
    }
    armBound(r);
}
