#include "SystemClipboard.h"

#include "PasteboardCodec.h"

qint64 SystemClipboard::changeCount() const {
    return m_pb.changeCount();
}

ClipboardRead SystemClipboard::read() {
    return PasteboardCodec::read(m_pb, m_clock.now());
}

void SystemClipboard::write(const ClipboardItem& item) {
    PasteboardCodec::write(item, m_pb);
}

bool SystemClipboard::isConcealed() {
    return PasteboardCodec::isConcealed(m_pb);
}
