#include "core/ManualScheduler.h"
#include "shell/HUDController.h"

#include <QTest>

namespace {
struct FakePanel final : HUDPresenter {
    QStringList* calls;
    explicit FakePanel(QStringList* c) : calls(c) {}
    void position() override { *calls << "position"; }
    void orderFront() override { *calls << "front"; }
    void orderOut() override { *calls << "out"; }
};

struct Fixture {
    ManualClock clock;
    ManualScheduler scheduler{clock};
    QStringList calls;
    int panelsMade = 0;
    HUDController hud{scheduler, [this](HUDModel&) {
                          ++panelsMade;
                          return std::make_unique<FakePanel>(&calls);
                      }};
};

FeedbackEvent copied(int slot, const QString& text) {
    return FeedbackEvent::make(FeedbackOutcome::Copied, slot, ClipboardItem::makeText(text));
}
} // namespace

class HudTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showsForOneSecondThenFadesAndLeaves() {
        Fixture f;
        f.hud.flash(copied(3, "hello"));
        QCOMPARE(f.panelsMade, 1);
        QVERIFY(f.hud.model().visible());
        QCOMPARE(f.hud.model().slot(), std::optional<int>(3));
        QCOMPARE(f.hud.model().preview(), QStringLiteral("hello"));
        QCOMPARE(f.calls, QStringList({"position", "front"}));
        f.scheduler.advance(0.999);
        QVERIFY(f.hud.model().visible());
        f.scheduler.advance(0.001);
        QVERIFY(!f.hud.model().visible());
        f.scheduler.advance(0.279);
        QCOMPARE(f.calls.last(), QStringLiteral("front"));
        f.scheduler.advance(0.001);
        QCOMPARE(f.calls.last(), QStringLiteral("out"));
    }

    void aSecondFlashTakesOver() {
        Fixture f;
        f.hud.flash(copied(1, "first"));
        f.scheduler.advance(0.5);
        f.hud.flash(copied(2, "second"));
        QCOMPARE(f.hud.model().preview(), QStringLiteral("second"));
        QCOMPARE(f.panelsMade, 1);
        f.scheduler.advance(0.5); // the first flash's hide: ignored
        QVERIFY(f.hud.model().visible());
        f.scheduler.advance(0.5); // 1.0 s after the second
        QVERIFY(!f.hud.model().visible());
        f.scheduler.advance(0.28);
        QCOMPARE(f.calls.count("out"), 1);
        QCOMPARE(f.hud.hideToken(), 2);
    }

    void aFlashDuringTheFadeCancelsTheOrderOut() {
        Fixture f;
        f.hud.flash(copied(1, "first"));
        f.scheduler.advance(1.1); // fading
        QVERIFY(!f.hud.model().visible());
        f.hud.flash(copied(1, "again"));
        QVERIFY(f.hud.model().visible());
        f.scheduler.advance(0.2); // the first fade's order-out time passes
        QCOMPARE(f.calls.count("out"), 0);
        QCOMPARE(f.calls.count("front"), 2);
        f.scheduler.advance(1.1);
        QCOMPARE(f.calls.count("out"), 1);
    }

    void nothingToCopyHasNoBadge() {
        Fixture f;
        f.hud.flash(FeedbackEvent::make(FeedbackOutcome::NothingToCopy, 4));
        QVERIFY(!f.hud.model().slot());
        QCOMPARE(HUDModel::title(f.hud.model().outcome()), QStringLiteral("Nothing to copy"));
        QVERIFY(f.hud.model().preview().isEmpty());
        f.hud.flash(FeedbackEvent::make(FeedbackOutcome::EmptySlot, 7));
        QCOMPARE(f.hud.model().slot(), std::optional<int>(7));
        QCOMPARE(HUDModel::title(FeedbackOutcome::EmptySlot), QStringLiteral("Slot is empty"));
        QCOMPARE(HUDModel::symbol(FeedbackOutcome::EmptySlot),
                 QStringLiteral("exclamationmark.triangle.fill"));
        QCOMPARE(HUDModel::title(FeedbackOutcome::Pasted), QStringLiteral("Pasted from slot"));
        QCOMPARE(HUDModel::title(FeedbackOutcome::TooLarge), QStringLiteral("Too large to copy"));
        // The model notifies only on real changes.
        int changes = 0;
        QObject::connect(&f.hud.model(), &HUDModel::changed, [&] { ++changes; });
        f.hud.model().setSlot(7);
        f.hud.model().setVisible(true);
        QCOMPARE(changes, 0);
    }
};

QTEST_GUILESS_MAIN(HudTest)
#include "tst_hud.moc"
