#pragma once

#include <QByteArray>
#include <functional>
#include <memory>
#include <optional>

// Bytes that are either held in memory or loaded on demand. Lists of stored items use the
// deferred form for image data, so that listing 200 screenshots does not pull 200 images
// into memory; whoever needs the bytes calls bytes() and gets them (loaded anew each time,
// nothing is cached). A deferred blob whose source is gone yields empty bytes.
class Blob {
public:
    Blob() = default;
    Blob(QByteArray bytes) : m_bytes(std::move(bytes)) {} // NOLINT: implicit by design

    static Blob deferred(qint64 size, std::function<QByteArray()> load);

    QByteArray bytes() const;
    // The bytes, or absent when a deferred load does not give all of them back (the source
    // row is gone or shorter than it was).
    std::optional<QByteArray> load() const;
    qint64 size() const { return m_loader ? m_size : m_bytes.size(); }
    bool isDeferred() const { return static_cast<bool>(m_loader); }

    // Byte equality; sizes are compared first so unequal images are rarely loaded.
    friend bool operator==(const Blob& a, const Blob& b);

private:
    QByteArray m_bytes;
    qint64 m_size = 0;
    std::shared_ptr<const std::function<QByteArray()>> m_loader;
};
