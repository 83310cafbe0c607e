#include "SnippetStore.h"

#include "StoreContainer.h"

namespace {
QString key(const QUuid& id) {
    return id.toString(QUuid::WithoutBraces);
}
} // namespace

SnippetStore::SnippetStore(StoreContainer& container, const Clock& clock, QObject* parent)
    : QObject(parent), m_container(container), m_clock(clock) {}

StoreWrite SnippetStore::add(const QString& title, const QString& body, QUuid* id) {
    const QUuid created = QUuid::createUuid();
    if (id) {
        *id = created;
    }
    const double now = m_clock.now().secondsSinceReference();
    return save(
        m_container.change(QStringLiteral("INSERT INTO snippet (id, title, body, created_at, "
                                          "updated_at) VALUES (?, ?, ?, ?, ?)"),
                           {key(created), title, body, now, now}));
}

QList<SnippetStore::Entry> SnippetStore::all() const {
    QList<Entry> out;
    SqliteStatement s =
        m_container.db().prepare(QStringLiteral("SELECT id, title, body, updated_at FROM snippet "
                                                "ORDER BY created_at DESC, pk DESC"));
    while (s.step() == SqliteStatement::Step::Row) {
        const QUuid id = QUuid::fromString(s.text(0));
        if (!id.isNull()) {
            out.append(Entry{id, s.text(1), s.text(2), Instant(s.real(3))});
        }
    }
    return out;
}

qint64 SnippetStore::count() const {
    return m_container.db().queryInt(QStringLiteral("SELECT count(*) FROM snippet")).value_or(0);
}

bool SnippetStore::exists(const QUuid& id) const {
    SqliteStatement s =
        m_container.db().prepare(QStringLiteral("SELECT 1 FROM snippet WHERE id = ? LIMIT 1"));
    s.bind(1, key(id));
    return s.step() == SqliteStatement::Step::Row;
}

StoreWrite SnippetStore::update(const QUuid& id, const QString& title, const QString& body) {
    if (!exists(id)) {
        return StoreWrite::unchanged();
    }
    return save(
        m_container.change(QStringLiteral("UPDATE snippet SET title = ?, body = ?, updated_at = ? "
                                          "WHERE pk = (SELECT pk FROM snippet WHERE id = ? "
                                          "ORDER BY pk LIMIT 1)"),
                           {title, body, m_clock.now().secondsSinceReference(), key(id)}));
}

StoreWrite SnippetStore::remove(const QUuid& id) {
    if (!exists(id)) {
        return StoreWrite::unchanged();
    }
    return save(
        m_container.change(QStringLiteral("DELETE FROM snippet WHERE pk = (SELECT pk FROM snippet "
                                          "WHERE id = ? ORDER BY pk LIMIT 1)"),
                           {key(id)}));
}

StoreWrite SnippetStore::save(bool kept) {
    const StoreWrite result = m_container.finish(kept, QStringLiteral("snippet save failed"));
    if (result.isSaved()) {
        ++m_revision;
        Q_EMIT revisionChanged(m_revision);
    }
    return result;
}

void SnippetStore::noteSaved() {
    ++m_revision;
    Q_EMIT revisionChanged(m_revision);
}
