#pragma once

#include "clipboard/Blob.h"

#include <QCache>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QString>
#include <QThreadPool>
#include <optional>

// Thumbnails for lists of stored images, made off the main thread: the image bytes are read
// from the store and decoded on a worker, so a window full of screenshots never waits for
// one. Until a picture is ready the view draws a placeholder and repaints on `ready`. The
// pictures are cached by the caller's key, bounded by their total size (least recently used
// dropped first); an image that does not decode is remembered as failed.
class AsyncThumbnails : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 defaultCacheBytes = 64LL * 1024 * 1024;

    enum class State { Loading, Ready, Failed };
    struct Result {
        State state = State::Loading;
        QImage image; // when Ready
    };

    explicit AsyncThumbnails(qint64 cacheBytes = defaultCacheBytes, QObject* parent = nullptr);
    ~AsyncThumbnails() override;

    // The picture of `image` with its longer side at most `maxPixel`, known by `key` (which
    // must name these bytes: a row's id, a content hash). Starts the work when it is neither
    // cached nor under way.
    Result thumbnail(const QString& key, const Blob& image, int maxPixel);
    // Blocks until every decode under way has finished and been announced (tests, benchmarks).
    void waitForIdle();
    int decodeCount() const { return m_decodes; }

Q_SIGNALS:
    void ready(const QString& key);

private:
    QThreadPool m_pool;
    QCache<QString, QImage> m_cache;
    QSet<QString> m_pending;
    QSet<QString> m_failed;
    int m_decodes = 0;
};
