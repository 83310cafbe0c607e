#pragma once

#include "store/StatsService.h"

#include <QWidget>

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
    QMenu* loadMenu() const { return m_menu; }

Q_SIGNALS:
    void loadRequested(const QString& contentHash, int slot);

private:
    StatsService::TopContent m_entry;
    IconChipButton* m_load;
    QMenu* m_menu;
};
