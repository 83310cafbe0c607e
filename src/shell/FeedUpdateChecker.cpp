#include "FeedUpdateChecker.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QVersionNumber>
#include <QXmlStreamReader>

FeedUpdateChecker::FeedUpdateChecker(QUrl feed, QString currentVersion, QObject* parent)
    : QObject(parent), m_feed(std::move(feed)), m_current(std::move(currentVersion)) {}

std::optional<FeedUpdateChecker::Release> FeedUpdateChecker::newestRelease(const QByteArray& feed) {
    QXmlStreamReader xml(feed);
    std::optional<Release> best;
    Release current;
    bool inItem = false;
    static const QRegularExpression versionInText(QStringLiteral("(\\d+(?:\\.\\d+)+)"));
    auto consider = [&](Release r) {
        const QVersionNumber v = QVersionNumber::fromString(r.version);
        if (v.isNull() || r.link.isEmpty()) {
            return;
        }
        if (!best || v > QVersionNumber::fromString(best->version)) {
            best = r;
        }
    };
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QStringView name = xml.name();
            if (name == u"item") {
                inItem = true;
                current = Release{};
            } else if (inItem && name == u"enclosure") {
                const auto attrs = xml.attributes();
                if (current.link.isEmpty()) {
                    current.link = attrs.value(QStringLiteral("url")).toString();
                }
                for (const auto& a : attrs) {
                    if (a.name() == u"version" || a.name() == u"shortVersionString") {
                        current.version = a.value().toString();
                    }
                }
            } else if (inItem && (name == u"version" || name == u"shortVersionString")) {
                current.version = xml.readElementText().trimmed();
            } else if (inItem && name == u"link") {
                current.link = xml.readElementText().trimmed();
            } else if (inItem && name == u"title" && current.version.isEmpty()) {
                const auto m = versionInText.match(xml.readElementText());
                if (m.hasMatch()) {
                    current.version = m.captured(1);
                }
            }
        } else if (xml.isEndElement() && xml.name() == u"item") {
            inItem = false;
            consider(current);
        }
    }
    if (xml.hasError()) {
        return std::nullopt;
    }
    return best;
}

UpdateChecking::Result FeedUpdateChecker::evaluate(const QByteArray& feed,
                                                   const QString& currentVersion) {
    const auto newest = newestRelease(feed);
    if (!newest) {
        return {Result::Kind::Failed, {}, {}, QStringLiteral("The update feed could not be read.")};
    }
    if (QVersionNumber::fromString(newest->version) > QVersionNumber::fromString(currentVersion)) {
        return {Result::Kind::NewerAvailable, newest->version, newest->link,
                QStringLiteral("Stashwick %1 is available: %2").arg(newest->version, newest->link)};
    }
    return {Result::Kind::UpToDate, newest->version, newest->link,
            QStringLiteral("Stashwick %1 is the newest version.").arg(currentVersion)};
}

bool FeedUpdateChecker::isSafeFeed(const QUrl& feed) {
    if (feed.scheme() == u"https") {
        return true;
    }
    // Plain http only where nothing leaves the machine.
    const QString host = feed.host();
    return feed.scheme() == u"http" &&
           (host == u"127.0.0.1" || host == u"::1" || host == u"localhost");
}

void FeedUpdateChecker::checkForUpdates() {
    if (m_feed.isEmpty() || !m_feed.isValid()) {
        onResult(
            {Result::Kind::NoFeed,
             {},
             {},
             QStringLiteral("Updates for Stashwick come from your system's package manager.")});
        return;
    }
    if (!isSafeFeed(m_feed)) {
        onResult({Result::Kind::Failed,
                  {},
                  {},
                  QStringLiteral("The update feed address is not https: %1")
                      .arg(m_feed.toDisplayString())});
        return;
    }
    if (m_busy) {
        return;
    }
    if (!m_network) {
        m_network = new QNetworkAccessManager(this);
    }
    m_busy = true;
    QNetworkRequest request(m_feed);
    request.setTransferTimeout(timeoutMs);
    request.setMaximumRedirectsAllowed(5);
    QNetworkReply* reply = m_network->get(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        m_busy = false;
        if (reply->error() != QNetworkReply::NoError) {
            onResult({Result::Kind::Failed,
                      {},
                      {},
                      QStringLiteral("Could not check for updates: %1").arg(reply->errorString())});
            return;
        }
        onResult(evaluate(reply->read(4 * 1024 * 1024), m_current));
    });
}
