#pragma once

#include "window/WindowContext.h"

#include <QScrollArea>
#include <array>

class QMessageBox;
class ShortcutFooter;
class SlotTile;

// The Slots tab: a header with "Clear all", the ten slots in keyboard order (1-9, then 0) in
// five columns, and the shortcuts footer. It follows the slot store's revision.
class SlotsView : public QScrollArea {
    Q_OBJECT
public:
    static constexpr int columns = 5;

    explicit SlotsView(WindowContext context, QWidget* parent = nullptr);

    // Tiles in display order.
    const std::array<SlotTile*, 10>& tiles() const { return m_tiles; }
    SlotTile* tile(int slot) const;
    ShortcutFooter* footer() const { return m_footer; }
    // Asks before clearing every unpinned slot; the dialog stays open until answered.
    QMessageBox* confirmClearAll();
    void reload();

private:
    void wire(SlotTile* tile);

    WindowContext m_context;
    std::array<SlotTile*, 10> m_tiles{};
    ShortcutFooter* m_footer;
};
