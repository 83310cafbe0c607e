#pragma once

#include "TestEnv.h"
#include "app/AppState.h"
#include "clipboard/MemoryPasteboard.h"
#include "core/ManualScheduler.h"
#include "core/UserDefaults.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

// An application state over an in-memory store and pasteboard, with a manual clock and
// scheduler and settings in a temporary file.
struct AppFixture {
    AppFixture() = default;
    // A pasteboard that refuses what is over `contentLimit` bytes.
    explicit AppFixture(qint64 contentLimit) : pasteboard(contentLimit) {}

    TestEnv env;
    ManualClock clock;
    ManualScheduler scheduler{clock};
    MemoryPasteboard pasteboard;
    UserDefaults defaults{env.path("settings.ini")};
    AppState state{StoreContainer::make(true, std::nullopt, nullptr), pasteboard, clock, false};
    QString stateFile = env.path("state.json");

    void copyText(const QString& text) { pasteboard.setContent({{"text/plain", text.toUtf8()}}); }
    // state.json as last written; empty when there is none.
    QJsonObject stateJson() const {
        QFile f(stateFile);
        return f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()).object()
                                           : QJsonObject();
    }
};
