#pragma once

#include "store/StatsService.h"

#include <QWidget>
#include <functional>

class AsyncThumbnails;
class IconChipButton;
class QMenu;
class Theme;

// One of the most copied contents: its mark, preview and age, its copy count and a menu that
// loads it into a slot (disabled when the content was too large to keep).
class TopContentRow : public QWidget {
    Q_OBJECT
public:
    TopContentRow(const Theme& theme, AsyncThumbnails& thumbnails,
                  const StatsService::TopContent& entry, Instant now, QWidget* parent = nullptr);
    const StatsService::TopContent& entry() const { return m_entry; }
    IconChipButton* loadButton() const { return m_load; }
    // Opens "Load into a slot" (one entry per slot).
    QMenu* openLoadMenu();

    // Loads the content with this hash into a slot. The menu keeps its own copy, so an entry
    // chosen after the list was rebuilt (and this row deleted) still loads.
    std::function<void(const QString& contentHash, int slot)> onLoad;

private:
    StatsService::TopContent m_entry;
    IconChipButton* m_load;
};
