#include "HUDModel.h"

void HUDModel::setOutcome(FeedbackOutcome v) {
    if (v != m_outcome) {
        m_outcome = v;
        Q_EMIT changed();
    }
}

void HUDModel::setSlot(std::optional<int> v) {
    if (v != m_slot) {
        m_slot = v;
        Q_EMIT changed();
    }
}

void HUDModel::setPreview(const QString& v) {
    if (v != m_preview) {
        m_preview = v;
        Q_EMIT changed();
    }
}

void HUDModel::setImagePNG(const std::optional<QByteArray>& v) {
    if (v != m_imagePNG) {
        m_imagePNG = v;
        Q_EMIT changed();
    }
}

void HUDModel::setVisible(bool v) {
    if (v != m_visible) {
        m_visible = v;
        Q_EMIT visibleChanged(v);
        Q_EMIT changed();
    }
}

QString HUDModel::title(FeedbackOutcome outcome) {
    switch (outcome) {
    case FeedbackOutcome::Copied:
        return QStringLiteral("Copied to slot");
    case FeedbackOutcome::Pasted:
        return QStringLiteral("Pasted from slot");
    case FeedbackOutcome::NothingToCopy:
        return QStringLiteral("Nothing to copy");
    case FeedbackOutcome::TookClipboard:
        return QStringLiteral("Clipboard to slot (no Ctrl+C)");
    case FeedbackOutcome::ReadyToPaste:
        return QStringLiteral("On the clipboard: press Ctrl+V");
    case FeedbackOutcome::TooLarge:
        return QStringLiteral("Too large to copy");
    case FeedbackOutcome::EmptySlot:
        break;
    }
    return QStringLiteral("Slot is empty");
}

QString HUDModel::symbol(FeedbackOutcome outcome) {
    switch (outcome) {
    case FeedbackOutcome::Copied:
        return QStringLiteral("doc.on.clipboard.fill");
    case FeedbackOutcome::Pasted:
        return QStringLiteral("arrow.down.doc.fill");
    case FeedbackOutcome::TookClipboard:
        return QStringLiteral("doc.on.clipboard");
    case FeedbackOutcome::ReadyToPaste:
        return QStringLiteral("keyboard");
    case FeedbackOutcome::NothingToCopy:
    case FeedbackOutcome::EmptySlot:
    case FeedbackOutcome::TooLarge:
        break;
    }
    return QStringLiteral("exclamationmark.triangle.fill");
}
