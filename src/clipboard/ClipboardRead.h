#pragma once

#include "ClipboardItem.h"
#include "Oversize.h"

#include <optional>

// What reading the clipboard gave: its content; nothing (no content, concealed, unreadable);
// or a refusal of content too large to read, which then is not in memory at all. Tested and
// dereferenced like the optional item it holds.
class ClipboardRead {
public:
    ClipboardRead() = default;
    ClipboardRead(std::nullopt_t) {} // NOLINT: implicit by design, as for std::optional
    ClipboardRead(ClipboardItem item) : m_item(std::move(item)) {} // NOLINT: as above
    ClipboardRead(std::optional<ClipboardItem> item) : m_item(std::move(item)) {} // NOLINT
    static ClipboardRead refused(Oversize size) {
        ClipboardRead read;
        read.m_tooLarge = size;
        return read;
    }

    const std::optional<ClipboardItem>& item() const& { return m_item; }
    std::optional<ClipboardItem> item() && { return std::move(m_item); }
    // Set when the content was refused for its size.
    const std::optional<Oversize>& tooLarge() const { return m_tooLarge; }

    explicit operator bool() const { return m_item.has_value(); }
    const ClipboardItem& operator*() const { return *m_item; }
    const ClipboardItem* operator->() const { return &*m_item; }

private:
    std::optional<ClipboardItem> m_item;
    std::optional<Oversize> m_tooLarge;
};
