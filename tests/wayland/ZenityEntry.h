#pragma once

#include "AccessibleText.h"

#include <QProcess>
#include <QTest>
#include <functional>
#include <memory>
#include <optional>

// The text entry the Wayland suites type into: zenity's entry dialog, a GTK application on
// Wayland, read through its accessibility interface. The suite presses the keys; this starts
// the dialog, reads it and waits for its end.
class ZenityEntry {
public:
    explicit ZenityEntry(AccessibleText& accessible) : m_accessible(accessible) {}
    ~ZenityEntry() { stop(); }
    ZenityEntry(const ZenityEntry&) = delete;
    ZenityEntry& operator=(const ZenityEntry&) = delete;

    // A fresh dialog holding `text`: true once its window is the active one and its entry has
    // the focus with that text. (The first GTK program of a fresh session builds its caches
    // first; the window list may still call a dialog that has just closed the active one,
    // which the process id tells apart.)
    bool start(const QString& text) {
        stop();
        m_process = std::make_unique<QProcess>();
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("GDK_BACKEND"), QStringLiteral("wayland"));
        m_process->setProcessEnvironment(e);
        m_process->start(QStringLiteral("zenity"),
                         {"--entry", "--title=entry", "--text=type here", "--entry-text=" + text});
        const bool shown = QTest::qWaitFor(
            [&] {
                return m_accessible.focusedText(name(), pid()) == text &&
                       m_accessible.windowActive(name(), pid());
            },
            30000);
        if (!shown) {
            qWarning("zenity's entry is not in front with \"%s\"", qPrintable(text));
        }
        return shown;
    }
    // Presses `selectAll` (the session's Control+A) until the whole text reads as selected: a
    // Control+A sent before the compositor gives the dialog the keyboard is lost, and GTK may
    // drop the selection it made on its own (KWin 5.27 refuses a primary selection made
    // without the keyboard). An empty entry has nothing to select.
    bool selectAll(const std::function<bool()>& pressSelectAll) {
        if (text().isEmpty()) {
            return true;
        }
        const bool selected = QTest::qWaitFor(
            [&] {
                return pressSelectAll() &&
                       QTest::qWaitFor(
                           [&] { return m_accessible.focusedTextSelected(name(), pid()); }, 500);
            },
            10000);
        if (!selected) {
            qWarning("the entry's text \"%s\" is not all selected", qPrintable(text()));
        }
        return selected;
    }
    QString text() {
        return m_process ? m_accessible.focusedText(name(), pid()).value_or(QString()) : QString();
    }
    qint64 pid() const { return m_process ? m_process->processId() : 0; }
    // After the user's Return: what zenity prints as it ends, the entry's final text;
    // absent when it has not ended within `ms`.
    std::optional<QString> finished(int ms = 5000) {
        if (!m_process || !m_process->waitForFinished(ms)) {
            return std::nullopt;
        }
        QString out = QString::fromUtf8(m_process->readAllStandardOutput());
        if (out.endsWith(u'\n')) {
            out.chop(1);
        }
        m_process.reset();
        return out;
    }
    void stop() {
        if (m_process) {
            m_process->kill();
            m_process->waitForFinished();
            m_process.reset();
        }
    }

private:
    AccessibleText& m_accessible;
    std::unique_ptr<QProcess> m_process;

    static QString name() { return QStringLiteral("zenity"); }
};
