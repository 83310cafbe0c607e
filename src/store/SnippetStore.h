#pragma once

#include "core/Clock.h"
#include "store/StoreWrite.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

class StoreContainer;

// Reusable texts, newest first by creation (editing does not move a snippet).
class SnippetStore : public QObject {
    Q_OBJECT
public:
    struct Entry {
        QUuid id;
        QString title;
        QString body;
        Instant updatedAt;
    };

    SnippetStore(StoreContainer& container, const Clock& clock, QObject* parent = nullptr);

    // Adds a snippet; `id`, when given, receives the new snippet's id.
    StoreWrite add(const QString& title, const QString& body, QUuid* id = nullptr);
    QList<Entry> all() const;
    // Number of snippets (0 when counting fails).
    qint64 count() const;
    StoreWrite update(const QUuid& id, const QString& title, const QString& body);
    StoreWrite remove(const QUuid& id);

    int revision() const { return m_revision; }
    // Changes that waited reached the disk by a save of somebody else's: observers reload.
    void noteSaved();

Q_SIGNALS:
    void revisionChanged(int revision);

private:
    bool exists(const QUuid& id) const;
    StoreWrite save(bool kept);

    StoreContainer& m_container;
    const Clock& m_clock;
    int m_revision = 0;
};
