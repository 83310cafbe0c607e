#pragma once

#include "store/SnippetStore.h"
#include "window/WindowContext.h"

#include <QWidget>
#include <optional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QVBoxLayout;
class QScrollArea;
class StyledButton;
class SnippetRow;

// The Snippets tab: an info button with a panel on placeholders, one editor card that adds a
// snippet or edits the chosen one, and the snippets, newest first, each with copy (expanded),
// edit and delete; or an empty state.
class SnippetsView : public QWidget {
    Q_OBJECT
public:
    explicit SnippetsView(WindowContext context, QWidget* parent = nullptr);

    QLineEdit* titleField() const { return m_title; }
    QPlainTextEdit* bodyField() const { return m_body; }
    StyledButton* saveButton() const { return m_save; }
    QPushButton* cancelButton() const { return m_cancel; }
    QList<SnippetRow*> rows() const { return m_rows; }
    QWidget* emptyState() const { return m_empty; }
    std::optional<QUuid> editing() const { return m_editing; }
    // Opens the panel that explains snippets; it closes with Escape or a click outside.
    QWidget* showInfo();

    void save();
    void cancel();
    void edit(const SnippetStore::Entry& entry);
    void reload();

private:
    void updateEditor();

    WindowContext m_context;
    std::optional<QUuid> m_editing;
    QLineEdit* m_title;
    QPlainTextEdit* m_body;
    QLabel* m_bodyPlaceholder;
    QPushButton* m_cancel;
    StyledButton* m_save;
    QWidget* m_infoButton;
    QScrollArea* m_scroll;
    QVBoxLayout* m_list;
    QList<SnippetRow*> m_rows;
    QWidget* m_empty;
};
