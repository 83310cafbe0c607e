#pragma once

#include "app/ipc/InstanceFrame.h"
#include "store/PasteTransform.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// One "stashwick://action/arg/arg" command, parsed without a general URL library: the
// scheme must be exactly "stashwick", the host is the action (case kept), and the path
// components, percent-decoded, are the arguments. Anything malformed (bad escapes, text
// that is not UTF-8, control characters, more than maxLength bytes) is refused.
class AutomationUrl {
public:
    static constexpr qsizetype maxLength = InstanceFrame::maxUrlLength;

    static std::optional<AutomationUrl> parse(const QByteArray& url);
    // Why parse() refused, for the command line's one-line error.
    static QString refusal(const QByteArray& url);

    const QString& action() const { return m_action; }
    const QStringList& stringArgs() const { return m_args; }
    // The arguments that read as decimal 64-bit integers (optional sign), in order.
    QList<qint64> intArgs() const;
    // The first argument that is not an integer, as a transform; None otherwise.
    PasteTransform transformArg() const;

    static std::optional<qint64> parseInteger(const QString& s);

private:
    QString m_action;
    QStringList m_args;
};
