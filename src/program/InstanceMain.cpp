// The running program: the entry point of the stashwick-app module, which the stashwick
// command loads when this process is to become the one instance of the user's session.
#include "DialogLinkPrompt.h"
#include "PlatformServices.h"
#include "app/AppDelegate.h"
#include "app/AppState.h"
#include "app/InstanceServer.h"
#include "app/LinkGate.h"
#include "clipboard/ImageConversion.h"
#include "clipboard/Thumbnailer.h"
#include "core/AppIdentity.h"
#include "core/AppPaths.h"
#include "core/Log.h"
#include "core/QtScheduler.h"
#include "core/SystemClock.h"
#include "core/UserDefaults.h"
#include "platform/glibc/MemoryTuning.h"
#include "platform/posix/PeerCredentials.h"
#include "platform/posix/RuntimeDir.h"
#include "platform/posix/SignalQuitter.h"
#include "platform/posix/StoreLock.h"
#include "platform/x11/KeyCodeMap.h"
#include "platform/x11/X11Session.h"
#include "platform/xdg/XdgDesktopServices.h"
#include "shell/FeedUpdateChecker.h"
#include "shell/HUDController.h"
#include "shell/HUDPanel.h"
#include "shell/StatusItemController.h"
#include "ui/AppearanceMode.h"
#include "ui/AsyncThumbnails.h"
#include "ui/Theme.h"
#include "ui/ThemedPalette.h"
#include "window/MainWindow.h"

#include <QApplication>
#include <QLockFile>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

namespace {
constexpr int exitAlreadyRunning = 3;
}

extern "C" __attribute__((visibility("default"))) int
stashwick_run_instance(int argc, char** argv, const char* runtimeDir) {
    MemoryTuning::returnLargeBlocksToTheSystem();
    // Images from other programs are decoded within the program's own bounds, not whatever
    // the environment sets.
    ImageConversion::limitDecoders();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fputs("stashwick: no display; running without windows (automation and history "
                   "only)\n",
                   stderr);
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // In a Wayland session the windows, the HUD and the tray run on XWayland; the clipboard,
    // the keystrokes and the chords come from the Wayland session itself (PlatformServices).
    if (const auto platform = X11Session::chosenQtPlatform()) {
        qputenv("QT_QPA_PLATFORM", *platform);
    }

    // Before the application exists: our windows' Wayland app id, and the id Qt registers
    // with the desktop portal where it does so itself.
    QGuiApplication::setDesktopFileName(AppIdentity::id());
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("stashwick"));
    QApplication::setOrganizationName(QStringLiteral("Stashwick"));
    QApplication::setApplicationVersion(QStringLiteral(STASHWICK_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);
    SignalQuitter quitter;
    QObject::connect(&quitter, &SignalQuitter::quitRequested, &app, &QCoreApplication::quit);

    const std::string dir(runtimeDir);
    QLockFile lock(QString::fromStdString(RuntimeDir::lockPath(dir)));
    lock.setStaleLockTime(0); // a lock is stale exactly when its process is gone
    if (!lock.tryLock(0)) {
        return exitAlreadyRunning;
    }

    // One program per store: one started with another runtime folder stops here. A lock that
    // cannot be made (a data folder that cannot be written) does not stop the program; its
    // store then falls back to memory and says so.
    StoreLock storeLock;
    bool heldElsewhere = false;
    std::string lockError;
    if (!storeLock.acquire(StoreLock::lockPathFor(AppPaths::storeFile().toStdString()),
                           RuntimeDir::socketPath(dir), &heldElsewhere, &lockError) &&
        heldElsewhere) {
        std::fprintf(stderr, "stashwick: %s\n", lockError.c_str());
        return exitAlreadyRunning;
    }

    SystemClock clock;
    QtScheduler scheduler;
    // This process is the installed command (it loaded the program module).
    PlatformServices platform(scheduler, QCoreApplication::applicationFilePath());
    UserDefaults defaults;
    std::unique_ptr<AppState> state = AppState::create(platform.clipboard(), clock);
    // The PRIMARY selection: what xterm-style terminals copy by selecting.
    SystemClipboard selection(platform.selection(), clock);
    AppDelegate delegate(*state, defaults, scheduler,
                         AppDelegate::Platform{platform.eventTap(), platform.synthesizer(),
                                               [&platform] { return platform.isTrusted(); },
                                               &selection,
                                               [&platform] { return platform.report(); },
                                               [&platform](const HotkeyConfig& config) {
                                                   platform.chordsChanged(config);
                                               }},
                         AppPaths::stateFile());

    // The HUD, the tray icon and update checks.
    Thumbnailer thumbnails;
    Theme theme(defaults, &Theme::desktopPaletteIsDark);
    const bool translucent = platform.translucentWindows();
    HUDController hud(scheduler, [&](HUDModel& model) {
        return std::make_unique<HUDPanel>(model, theme, thumbnails, translucent);
    });
    delegate.flashHud = [&hud](const FeedbackEvent& event) { hud.flash(event); };
    StatusItemController status(HotkeyConfig::load(defaults).summon.display());
    std::unique_ptr<FeedUpdateChecker> updater;
    status.onOpenWindow = [&delegate] { delegate.openMainWindow(); };
    status.onCheckForUpdates = [&updater] {
        if (!updater) {
            updater = std::make_unique<FeedUpdateChecker>(
                QUrl(QStringLiteral(STASHWICK_UPDATE_FEED)), QStringLiteral(STASHWICK_VERSION));
            updater->onResult = [](const UpdateChecking::Result& result) {
                auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Stashwick"),
                                            result.message);
                box->setAttribute(Qt::WA_DeleteOnClose);
                // The feed's text is shown as it is, never interpreted as markup.
                box->setTextFormat(Qt::PlainText);
                box->setTextInteractionFlags(Qt::TextSelectableByMouse);
                box->show();
            };
        }
        updater->checkForUpdates();
    };
    delegate.setStatusActive = [&status](bool active) { status.setActive(active); };
    // The menu tells while changes are not reaching the disk.
    status.setNotSavingReason(state->notSavingReason());
    QObject::connect(state.get(), &AppState::notSavingChanged, &status,
                     &StatusItemController::setNotSavingReason);
    status.setOpensWindowOnClick(true);
    status.install();

    // A forced appearance holds for every window, menu and dialog of the program.
    const auto applyAppearance = [&] {
        ThemedPalette::applyToApplication(theme, AppearanceModes::current(defaults) !=
                                                     AppearanceMode::System);
    };
    applyAppearance();
    QObject::connect(&defaults, &UserDefaults::changed, &app, [&](const QString& key) {
        if (key.isEmpty() || key == u"appearanceMode" || key == u"themePalette") {
            applyAppearance();
        }
    });

    // The main window, made on first open and kept (hidden) when closed.
    AsyncThumbnails listThumbnails;
    // This process is the installed command (it loaded the program module).
    XdgDesktopServices desktop(QCoreApplication::applicationFilePath(), platform.gnomeShortcuts());
    std::unique_ptr<MainWindow> window;
    delegate.showMainWindow = [&] {
        if (!window) {
            WindowContext context{*state, theme, defaults, listThumbnails, desktop};
            context.unavailableChords = [&delegate] {
                return delegate.eventTap() ? delegate.eventTap()->unavailableChords()
                                           : QList<KeyChord>();
            };
            context.shortcutsAvailable = [&platform] { return platform.isTrusted(); };
            context.session = [&platform] { return platform.report(); };
            context.recheckShortcuts = [&delegate, &platform] {
                platform.recheck();
                delegate.recheckShortcuts();
            };
            context.keyCodeOf = [](quint32 native) -> std::optional<quint16> {
                return native <= 255 ? KeyCodeMap::fromX11(static_cast<quint8>(native))
                                     : std::nullopt;
            };
            window = std::make_unique<MainWindow>(std::move(context));
            window->activate = [&platform](QWidget* w, unsigned long userTime) {
                platform.activateWindow(w->winId(), userTime);
            };
            window->onQuit = [] { QCoreApplication::quit(); };
        }
        window->present();
    };

    // Links opened in other programs: what does more than show something is asked about
    // first, in the link dialog; the answer goes back to the window that was in front.
    DialogLinkPrompt linkPrompt(
        theme, [&platform](QWidget* dialog) { platform.activateWindow(dialog->winId(), 0); });
    LinkGate links(delegate.automation(), linkPrompt, scheduler,
                   LinkGate::FrontWindow{
                       [&platform] { return platform.activeWindow(); },
                       [&platform](unsigned long window) { platform.activateWindow(window, 0); }});

    InstanceServer server(QString::fromStdString(RuntimeDir::socketPath(dir)),
                          &PeerCredentials::isSameUser,
                          [&delegate, &links](InstanceFrame::Source source, const QByteArray& url) {
                              const auto result = source == InstanceFrame::Source::Link
                                                      ? links.open(url)
                                                      : delegate.openUrls({url}).first();
                              return InstanceServer::Reply{result.verdict, result.reason};
                          });
    QString error;
    if (!server.listen(&error)) {
        qCCritical(Log::app).noquote()
            << QStringLiteral("cannot listen for commands: %1").arg(error);
        return 1;
    }

    delegate.launch();
    const int exitStatus = app.exec();
    // However the program is asked to quit, what still waits gets one last chance.
    if (state->container().hasPendingChanges()) {
        state->container().saveLogged(QStringLiteral("save failed at quit"));
    }
    return exitStatus;
}
