#pragma once

#include "store/SlotStore.h"
#include "window/WindowContext.h"

#include <QWidget>

class HistoryRow;
class QLabel;
class QScrollArea;
class QVBoxLayout;
class SearchField;

// The History tab: a search field over the history (newest first, at most 200 rows), each
// row with its actions; or, with nothing to show, an empty state. The list reloads on every
// change of the query and of the store's revision. Control+F goes to the search field.
class HistoryView : public QWidget {
    Q_OBJECT
public:
    static constexpr int rowLimit = 200;
    static constexpr int rowsPerTurn = 25;

    explicit HistoryView(WindowContext context, QWidget* parent = nullptr);

    SearchField* search() const { return m_search; }
    // The rows that show for the query, in order (some may be settled a turn later).
    QList<HistoryRow*> rows() const;
    QWidget* emptyState() const { return m_empty; }
    QString emptyTitle() const;
    QString emptyExplanation() const;
    void reload();

private:
    HistoryRow* rowAt(int i);
    void applyQuery();
    void settleRows(int from, quint64 generation);

    WindowContext m_context;
    QString m_query;
    SearchField* m_search;
    QScrollArea* m_scroll;
    QWidget* m_list;
    QVBoxLayout* m_listLayout;
    QList<HistoryRow*> m_pool;
    QList<SlotStore::HistoryEntry> m_recent;
    QList<HistoryRow*> m_shown;
    quint64 m_generation = 0;
    QWidget* m_empty;
    QLabel* m_emptyTitle;
    QLabel* m_emptyExplanation;
};
