#pragma once

#include <QString>

// What became of a change that a service made to the store: saved (durable), waiting for the
// next save that succeeds (applied and visible, not yet on disk), refused (not kept at all),
// or unchanged (there was nothing to change). `reason` says why for Pending and Refused.
struct StoreWrite {
    enum class Status { Saved, Pending, Refused, Unchanged };

    Status status = Status::Unchanged;
    QString reason;

    static StoreWrite saved() { return {Status::Saved, QString()}; }
    static StoreWrite pending(QString why) { return {Status::Pending, std::move(why)}; }
    static StoreWrite refused(QString why) { return {Status::Refused, std::move(why)}; }
    static StoreWrite unchanged() { return {Status::Unchanged, QString()}; }

    bool isSaved() const { return status == Status::Saved; }
    // True when the change was made and saved.
    explicit operator bool() const { return isSaved(); }
    // Combines two steps of one operation: the worse outcome wins, a change beats none.
    StoreWrite operator&(const StoreWrite& other) const;
};
