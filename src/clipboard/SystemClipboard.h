#pragma once

#include "ClipboardAccess.h"
#include "Pasteboard.h"
#include "core/Clock.h"

// The clipboard access of the program: the pasteboard codec over the platform pasteboard.
class SystemClipboard final : public ClipboardAccess {
public:
    SystemClipboard(Pasteboard& pasteboard, const Clock& clock)
        : m_pb(pasteboard), m_clock(clock) {}

    qint64 changeCount() const override;
    ClipboardRead read() override;
    void write(const ClipboardItem& item) override;
    bool isConcealed() override;
    ClipboardEvents* events() override { return m_pb.events(); }
    bool holdsOwnWrite() const override { return m_pb.holdsOwnWrite(); }

private:
    Pasteboard& m_pb;
    const Clock& m_clock;
};
