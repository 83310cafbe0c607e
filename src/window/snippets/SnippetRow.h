#pragma once

#include "store/SnippetStore.h"

#include "ui/Card.h"

class IconChipButton;
class Theme;

// One snippet on a card: its title ("Untitled" when empty) over two lines of its body, and
// the buttons copy (expanded), edit and delete.
class SnippetRow : public Card {
    Q_OBJECT
public:
    SnippetRow(const Theme& theme, SnippetStore::Entry entry, QWidget* parent = nullptr);
    const SnippetStore::Entry& entry() const { return m_entry; }
    QString shownTitle() const;
    IconChipButton* copyButton() const { return m_copy; }
    IconChipButton* editButton() const { return m_edit; }
    IconChipButton* deleteButton() const { return m_delete; }

private:
    SnippetStore::Entry m_entry;
    IconChipButton* m_copy;
    IconChipButton* m_edit;
    IconChipButton* m_delete;
};
