#include "AsyncThumbnails.h"

#include "clipboard/Thumbnailer.h"

#include <QCoreApplication>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>

AsyncThumbnails::AsyncThumbnails(qint64 cacheBytes, QObject* parent)
    : QObject(parent), m_cache(static_cast<qsizetype>(std::max<qint64>(cacheBytes, 1))) {
    m_pool.setMaxThreadCount(2);
}

AsyncThumbnails::~AsyncThumbnails() {
    m_pool.waitForDone();
}

AsyncThumbnails::Result AsyncThumbnails::thumbnail(const QString& key, const Blob& image,
                                                   int maxPixel) {
    const QString cacheKey = QStringLiteral("%1@%2").arg(key).arg(maxPixel);
    if (const QImage* hit = m_cache.object(cacheKey)) {
        return {State::Ready, *hit};
    }
    if (m_failed.contains(cacheKey)) {
        return {State::Failed, {}};
    }
    if (m_pending.contains(cacheKey)) {
        return {};
    }
    m_pending.insert(cacheKey);
    ++m_decodes;
    auto* watcher = new QFutureWatcher<QImage>(this);
    connect(watcher, &QFutureWatcher<QImage>::finished, this, [this, watcher, cacheKey, key] {
        watcher->deleteLater();
        m_pending.remove(cacheKey);
        const QImage picture = watcher->result();
        if (picture.isNull()) {
            m_failed.insert(cacheKey);
        } else {
            m_cache.insert(cacheKey, new QImage(picture),
                           std::max<qsizetype>(picture.sizeInBytes(), 1));
        }
        Q_EMIT ready(key);
    });
    // The blob is a copy: its loader reads the store on the worker (SQLite serialises the
    // connection), and nothing of this object is touched there.
    watcher->setFuture(QtConcurrent::run(&m_pool, [image, maxPixel] {
        const auto bytes = image.load();
        return bytes ? Thumbnailer::downsample(*bytes, maxPixel).value_or(QImage()) : QImage();
    }));
    return {};
}

void AsyncThumbnails::waitForIdle() {
    while (!m_pending.isEmpty()) {
        m_pool.waitForDone();
        QCoreApplication::processEvents();
    }
}
