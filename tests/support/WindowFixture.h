#pragma once

#include "TestEnv.h"
#include "app/AppState.h"
#include "clipboard/MemoryPasteboard.h"
#include "core/ManualClock.h"
#include "core/UserDefaults.h"
#include "platform/xdg/XdgDesktopServices.h"
#include "ui/AsyncThumbnails.h"
#include "ui/Theme.h"
#include "window/WindowContext.h"

#include <functional>
#include <memory>

// What the window's views are built over in the offscreen tests: an application state on an
// in-memory store, a manual clock, settings in a temporary file, the light theme.
struct WindowFixture {
    // Opens the store once the folders are set.
    using MakeStore = std::function<std::unique_ptr<StoreContainer>(TestEnv&)>;
    WindowFixture()
        : WindowFixture(
              [](TestEnv&) { return StoreContainer::make(true, std::nullopt, nullptr); }) {}
    explicit WindowFixture(const MakeStore& makeStore)
        : state(makeStore(env), pasteboard, clock, false) {}

    TestEnv env;
    ManualClock clock;
    MemoryPasteboard pasteboard;
    UserDefaults defaults{env.path("settings.ini")};
    AppState state;
    Theme theme{defaults, [] { return false; }};
    AsyncThumbnails thumbnails;
    XdgDesktopServices desktop{QStringLiteral("/usr/bin/stashwick"), nullptr};
    // Chords another program holds, as the window asks for them.
    QList<KeyChord> held;
    WindowContext context{state, theme, defaults, thumbnails, desktop, [this] { return held; }};

    void fill(int slot, const QString& text) {
        state.slots().setItem(ClipboardItem::makeText(text, clock.now()), slot);
    }
};
