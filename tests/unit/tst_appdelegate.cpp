#include "AppFixture.h"
#include "LogCapture.h"
#include "app/AppDelegate.h"
#include "hotkeys/FakeEventTap.h"
#include "hotkeys/FakeKeystrokeSynthesizer.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

namespace {
struct DelegateFixture : AppFixture {
    FakeEventTap tap;
    FakeKeystrokeSynthesizer synth;
    bool trusted = false;
    QList<HotkeyConfig> followed; // what the bindings the desktop keeps were given
    AppDelegate delegate{state, defaults, scheduler,
                         AppDelegate::Platform{tap, synth, [this] { return trusted; }, nullptr,
                                               [] { return SessionReport(); },
                                               [this](const HotkeyConfig& c) { followed << c; }},
                         stateFile};
    DelegateFixture() { tap.trusted = false; }
};
} // namespace

class AppDelegateTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void tabsAndObservableState() {
        QCOMPARE(MainTabs::next(MainTab::Settings), MainTab::Slots);
        QCOMPARE(MainTabs::previous(MainTab::Slots), MainTab::Settings);
        QCOMPARE(MainTabs::fromRaw("history"), std::optional<MainTab>(MainTab::History));
        QVERIFY(!MainTabs::fromRaw("History"));
        AppFixture f;
        QSignalSpy tabs(&f.state, &AppState::mainTabChanged);
        f.state.setMainTab(MainTab::Slots);
        f.state.showPreviousTab();
        QCOMPARE(tabs.count(), 1);
        QCOMPARE(f.state.mainTab(), MainTab::Settings);
        QSignalSpy tap(&f.state, &AppState::eventTapActiveChanged);
        f.state.setEventTapActive(false);
        QCOMPARE(tap.count(), 0);
    }

    void launchRetriesTheTapUntilTheSessionAllowsIt() {
        DelegateFixture f;
        LogCapture log;
        QList<bool> status;
        f.delegate.setStatusActive = [&](bool on) { status << on; };
        f.delegate.launch();
        QVERIFY(log.contains("io.stashwick.app", "Stashwick launched"));
        QVERIFY(log.contains("io.stashwick.hotkeys",
                             "event tap not started: Accessibility not granted"));
        QVERIFY(QFile::exists(f.stateFile));
        QCOMPARE(f.state.eventTapActive(), false);
        QVERIFY(f.delegate.isRetryingTap());

        f.scheduler.advance(6.0); // three more attempts, not logged again
        QCOMPARE(f.tap.installs, 0);
        // Launched, how the history learns of changes, how the session gives each job, why
        // chords are off, and one failure.
        QVERIFY(log.mentions("io.stashwick.app", "the clipboard reports no changes"));
        QCOMPARE(log.count(), 5);
        f.tap.trusted = true;
        f.trusted = true;
        f.scheduler.advance(2.0);
        QCOMPARE(f.state.eventTapActive(), true);
        QVERIFY(!f.delegate.isRetryingTap());
        QCOMPARE(f.tap.installs, 1);
        QCOMPARE(status.last(), true);
        QCOMPARE(f.stateJson()["eventTapActive"].toBool(), true);
        QCOMPARE(f.stateJson()["accessibilityTrusted"].toBool(), true);
        f.scheduler.advance(10.0);
        QCOMPARE(f.tap.installs, 1);
    }

    void chordsReachTheCoordinatorFeedbackIsFlashedAndReloadsApply() {
        DelegateFixture f;
        f.tap.trusted = true;
        f.trusted = true;
        QList<FeedbackEvent> flashed;
        f.delegate.flashHud = [&](const FeedbackEvent& e) { flashed << e; };
        int windows = 0;
        f.delegate.showMainWindow = [&] { ++windows; };
        f.delegate.launch();
        f.synth.onCopy = [&] { f.copyText("selected words"); };
        LogCapture log;
        QVERIFY(f.tap.keyDown({20, Modifiers(12)}));
        QCOMPARE(flashed.size(), 1);
        QVERIFY(log.contains("io.stashwick.hotkeys", "Copied \u2192 slot 3"));
        QCOMPARE(f.state.slots().item(3)->text, std::optional<QString>("selected words"));

        QVERIFY(f.tap.keyDown({9, Modifiers(13)}));
        QCOMPARE(windows, 1);
        QVERIFY(f.delegate.automation().handle("stashwick://summon"));
        QCOMPARE(windows, 2);

        // The bridge's paste goes through the coordinator, HUD included.
        QVERIFY(f.delegate.automation().handle("stashwick://paste-slot/3"));
        QCOMPARE(f.synth.sent.last(), QStringLiteral("paste"));
        QCOMPARE(flashed.last().summary(), QStringLiteral("Pasted slot 3"));

        // Reloaded chords are saved, reach the tap and the desktop's bindings, and are dumped.
        HotkeyConfig changed;
        changed.copyModifiers = Modifiers(Modifiers::control | Modifiers::shift);
        f.state.reloadHotkeys(changed);
        QCOMPARE(HotkeyConfig::load(f.defaults), changed);
        QCOMPARE(f.tap.installedConfig, changed);
        QCOMPARE(f.followed, QList<HotkeyConfig>{changed});
        QCOMPARE(f.stateJson()["hotkeys"].toObject()["copy"].toString(),
                 QStringLiteral("Control + Shift + N"));
        QVERIFY(!f.tap.keyDown({20, Modifiers(12)}));
        QVERIFY(f.tap.keyDown({20, Modifiers(6)}));
    }

    // The monitor fills the history every 0.6 s; what it records while saving fails waits,
    // and the next retry saves it once saving works.
    void waitingChangesAreSavedByTheNextRetryOnceSavingWorks() {
        DelegateFixture f;
        f.delegate.launch();
        f.copyText("copied elsewhere");
        f.scheduler.advance(0.59);
        QCOMPARE(f.state.slots().recentHistory(5).size(), 0);
        f.scheduler.advance(0.01);
        QCOMPARE(f.state.slots().recentHistory(5).size(), 1);

        QSignalSpy reasons(&f.state, &AppState::notSavingChanged);
        f.state.container().setSaveFailure(QStringLiteral("disk is full"));
        f.copyText("copied while the disk is full");
        f.scheduler.advance(0.6); // the monitor records it: it waits
        QCOMPARE(reasons.count(), 1);
        QCOMPARE(reasons.last().first().toString(), QStringLiteral("disk is full"));
        const int revision = f.state.slots().revision();

        f.scheduler.advance(5.0); // still failing: tried again, still waiting
        QVERIFY(f.state.container().isBehind());
        f.state.container().setSaveFailure(std::nullopt);
        f.scheduler.advance(5.0); // the next try saves it, with no new change needed
        QVERIFY(!f.state.container().hasPendingChanges());
        QCOMPARE(reasons.last().first().toString(), QString());
        QVERIFY(f.state.slots().revision() > revision);
        QCOMPARE(f.stateJson()["historyCount"].toInt(), 2);
    }

    void automationRunsSkipThePromptLine() {
        TestEnv env;
        AppFixture plain;
        AppState automated(StoreContainer::make(true, std::nullopt, nullptr), plain.pasteboard,
                           plain.clock, true);
        FakeEventTap tap;
        tap.trusted = false;
        FakeKeystrokeSynthesizer synth;
        AppDelegate delegate(automated, plain.defaults, plain.scheduler,
                             AppDelegate::Platform{tap, synth, [] { return false; }},
                             plain.stateFile);
        LogCapture log;
        delegate.launch();
        QVERIFY(!log.contains("io.stashwick.app", "global chords are off"));
        QVERIFY(log.contains("io.stashwick.app", "Stashwick launched"));
    }
};

QTEST_GUILESS_MAIN(AppDelegateTest)
#include "tst_appdelegate.moc"
