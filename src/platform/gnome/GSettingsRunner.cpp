#include "GSettingsRunner.h"

#include "core/Log.h"

#include <QProcess>

GSettingsRunner::GSettingsRunner(Scheduler& scheduler, QString program, QObject* parent)
    : QObject(parent), m_scheduler(scheduler), m_program(std::move(program)) {}

GSettingsRunner::~GSettingsRunner() {
    if (m_process) {
        m_scheduler.cancel(m_deadline);
        m_process->disconnect(this);
        m_process->kill();
        m_process->waitForFinished(1000); // killed: ends at once
    }
}

void GSettingsRunner::run(const QStringList& arguments, Callback done) {
    Q_ASSERT(!m_process);
    m_done = std::move(done);
    auto* process = new QProcess(this);
    m_process = process;
    process->setProgram(m_program);
    process->setArguments(arguments);
    process->setStandardInputFile(QProcess::nullDevice());
    connect(
        process, &QProcess::finished, this,
        [this, process](int exitCode, QProcess::ExitStatus status) {
            if (process != m_process) {
                return;
            }
            Result result;
            if (status == QProcess::CrashExit) {
                result.error = QStringLiteral("%1 stopped unexpectedly").arg(m_program);
            } else if (exitCode != 0) {
                const QString said = QString::fromUtf8(process->readAllStandardError()).trimmed();
                result.error =
                    said.isEmpty()
                        ? QStringLiteral("%1 failed with status %2").arg(m_program).arg(exitCode)
                        : said.section(u'\n', 0, 0);
            } else {
                result.ok = true;
                result.output = process->readAllStandardOutput();
            }
            finish(result);
        });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError e) {
        // Only a start failure ends a command without finished().
        if (process != m_process || e != QProcess::FailedToStart) {
            return;
        }
        finish({false,
                {},
                QStringLiteral("%1 could not be started (%2)")
                    .arg(m_program, process->errorString())});
    });
    m_deadline = m_scheduler.schedule(deadlineSeconds, [this, process] {
        if (process != m_process) {
            return;
        }
        qCWarning(Log::hotkeys).noquote() << QStringLiteral("%1 %2 did not end within %3 s: killed")
                                                 .arg(m_program, process->arguments().join(u' '))
                                                 .arg(deadlineSeconds);
        m_deadline = 0;
        process->kill();
        finish({false,
                {},
                QStringLiteral("%1 did not answer within %2 seconds")
                    .arg(m_program)
                    .arg(deadlineSeconds)});
    });
    process->start();
}

void GSettingsRunner::finish(const Result& result) {
    QProcess* process = m_process;
    m_process = nullptr;
    if (m_deadline != 0) {
        m_scheduler.cancel(m_deadline);
        m_deadline = 0;
    }
    // A killed process is let go once it has ended; until then its signals are ignored.
    if (process->state() == QProcess::NotRunning) {
        process->deleteLater();
    } else {
        connect(process, &QProcess::finished, process, &QObject::deleteLater);
    }
    Callback done = std::move(m_done);
    m_done = nullptr;
    done(result);
}
