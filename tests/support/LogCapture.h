#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

// Collects the log messages emitted while it exists (category and text).
class LogCapture {
public:
    LogCapture() {
        s_current = this;
        m_previous = qInstallMessageHandler(&LogCapture::handler);
    }
    ~LogCapture() {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }
    bool contains(const QString& category, const QString& text) const {
        for (const auto& [c, t] : m_lines) {
            if (c == category && t == text) {
                return true;
            }
        }
        return false;
    }
    // Whether a message of `category` holds `part` anywhere in it.
    bool mentions(const QString& category, const QString& part) const {
        for (const auto& [c, t] : m_lines) {
            if (c == category && t.contains(part)) {
                return true;
            }
        }
        return false;
    }
    int count() const { return static_cast<int>(m_lines.size()); }

private:
    static void handler(QtMsgType, const QMessageLogContext& ctx, const QString& msg) {
        if (s_current) {
            s_current->m_lines.append({QString::fromLatin1(ctx.category), msg});
        }
    }
    inline static LogCapture* s_current = nullptr;
    QtMessageHandler m_previous = nullptr;
    QList<std::pair<QString, QString>> m_lines;
};
