#pragma once

#include "UpdateChecking.h"

#include <QByteArray>
#include <QObject>
#include <QUrl>
#include <optional>

class QNetworkAccessManager;

// Reads a release feed (RSS; each item carries a version and a download link) once per
// request and reports whether it lists a version newer than this one. With no feed address
// configured it says that updates come from the system's package manager. Network failures
// and malformed feeds are reported as a short message; a request never hangs (10 s timeout).
class FeedUpdateChecker : public QObject, public UpdateChecking {
    Q_OBJECT
public:
    static constexpr int timeoutMs = 10000;

    FeedUpdateChecker(QUrl feed, QString currentVersion, QObject* parent = nullptr);

    void checkForUpdates() override;

    struct Release {
        QString version;
        QString link;
    };
    // The newest release of a feed; absent when the feed lists none or is malformed.
    // Whether the feed may be read: https, or http to this machine's loopback address.
    static bool isSafeFeed(const QUrl& feed);
    static std::optional<Release> newestRelease(const QByteArray& feed);
    static Result evaluate(const QByteArray& feed, const QString& currentVersion);

private:
    QUrl m_feed;
    QString m_current;
    QNetworkAccessManager* m_network = nullptr;
    bool m_busy = false;
};
