#include "LogCapture.h"
#include "TestEnv.h"
#include "core/AppPaths.h"
#include "core/AtomicFile.h"
#include "core/ManualClock.h"
#include "core/UserDefaults.h"
#include "platform/posix/RuntimeDir.h"
#include "store/SlotStore.h"
#include "store/StoreContainer.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <sys/stat.h>

namespace {

QByteArray fileDigest(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Opens `path` and checks that it was refused, the fallback logged, and the file untouched.
void expectRefusedAndUntouched(const QString& path, const QString& why) {
    const QByteArray before = fileDigest(path);
    const qint64 size = QFileInfo(path).size();
    QString error;
    QVERIFY2(!StoreContainer::make(false, path, &error), qPrintable(why));
    QVERIFY(!error.isEmpty());

    LogCapture log;
    auto container = StoreContainer::openPrimaryOrFallback(path);
    QVERIFY(container);
    QVERIFY(container->isInMemory());
    QVERIFY(log.contains(
        "io.stashwick.app",
        QStringLiteral("primary store failed: %1; falling back to in-memory").arg(error)));
    QCOMPARE(fileDigest(path), before);
    QCOMPARE(QFileInfo(path).size(), size);
}

// The permission bits of `path`, as in `ls -l`.
int modeOf(const QString& path) {
    const QFileDevice::Permissions p = QFile::permissions(path);
    int mode = 0;
    const std::pair<QFileDevice::Permission, int> bits[] = {
        {QFileDevice::ReadOwner, 0400}, {QFileDevice::WriteOwner, 0200},
        {QFileDevice::ExeOwner, 0100},  {QFileDevice::ReadGroup, 040},
        {QFileDevice::WriteGroup, 020}, {QFileDevice::ExeGroup, 010},
        {QFileDevice::ReadOther, 04},   {QFileDevice::WriteOther, 02},
        {QFileDevice::ExeOther, 01}};
    for (const auto& [bit, value] : bits) {
        mode |= p.testFlag(bit) ? value : 0;
    }
    return mode;
}

// Sets the process umask for the life of the object.
class Umask {
public:
    explicit Umask(mode_t mask) : m_previous(::umask(mask)) {}
    ~Umask() { ::umask(m_previous); }

private:
    mode_t m_previous;
};

bool fileHolds(const QString& path, const QByteArray& needle) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.readAll().contains(needle);
}

// A store in a file of its own, with the slots over it.
struct FileStore {
    TestEnv env;
    const QString path = env.path("store.sqlite");
    std::unique_ptr<StoreContainer> container = StoreContainer::make(false, path, nullptr);
    ManualClock clock;
    SlotStore slots{*container, clock};
};

} // namespace

class StoreContainerTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensStoreInDataFolderAndKeepsDataAcrossReopen() {
        TestEnv env;
        ManualClock clock;
        {
            QString error;
            auto container = StoreContainer::make(false, std::nullopt, &error);
            QVERIFY2(container, qPrintable(error));
            QCOMPARE(container->path(), AppPaths::storeFile());
            QVERIFY(QFileInfo::exists(AppPaths::storeFile()));
            SlotStore slots(*container, clock);
            slots.setItem(ClipboardItem::makeText("kept"), 4);
            slots.addHistory(ClipboardItem::makeText("history"));
        }
        QString error;
        auto reopened = StoreContainer::make(false, std::nullopt, &error);
        QVERIFY2(reopened, qPrintable(error));
        SlotStore slots(*reopened, clock);
        QCOMPARE(slots.item(4)->text, std::optional<QString>("kept"));
        QCOMPARE(slots.recentHistory(10).size(), 1);
        QCOMPARE(reopened->db().queryInt("PRAGMA user_version"), std::optional<qint64>(1));
        // WAL journal on the file store.
        SqliteStatement mode = reopened->db().prepare("PRAGMA journal_mode");
        QCOMPARE(mode.step(), SqliteStatement::Step::Row);
        QCOMPARE(mode.text(0), QStringLiteral("wal"));
    }

    void unusableFilesAreRefusedAndLeftAlone() {
        TestEnv env;
        const QString garbage = env.path("garbage.sqlite");
        QByteArray noise;
        for (int i = 0; i < 8192; ++i) {
            noise.append(static_cast<char>((i * 7919) & 0xFF));
        }
        writeFile(garbage, noise);
        expectRefusedAndUntouched(garbage, "garbage");

        // A valid SQLite file that belongs to someone else.
        const QString foreign = env.path("foreign.sqlite");
        {
            auto db = SqliteDatabase::open(foreign, SqliteDatabase::Mode::ReadWriteCreate, nullptr);
            QVERIFY(db->exec("CREATE TABLE notes(body TEXT); INSERT INTO notes VALUES('mine')"));
        }
        expectRefusedAndUntouched(foreign, "foreign");

        // Our own store, then changed by `sql`: from a newer version, with a missing table.
        for (const auto& [name, sql] :
             {std::pair{"newer", "PRAGMA journal_mode = DELETE; PRAGMA user_version = 2"},
              std::pair{"damaged", "DROP TABLE snippet; PRAGMA journal_mode = DELETE"}}) {
            const QString path = env.path(QString::fromLatin1(name) + ".sqlite");
            QVERIFY(StoreContainer::make(false, path, nullptr));
            {
                auto db = SqliteDatabase::open(path, SqliteDatabase::Mode::ReadWrite, nullptr);
                QVERIFY(db->exec(sql));
            }
            expectRefusedAndUntouched(path, name);
        }
    }

    void emptyFileBecomesAStore() {
        TestEnv env;
        const QString path = env.path("empty.sqlite");
        writeFile(path, QByteArray());
        QString error;
        auto container = StoreContainer::make(false, path, &error);
        QVERIFY2(container, qPrintable(error));
        QVERIFY(!container->isInMemory());
    }

    void failedSavesKeepChangesPendingUntilTheNextSuccess() {
        FileStore f;
        auto& [env, path, container, clock, slots] = f;

        auto committedSlotCount = [&f] {
            // A second connection sees only what was committed.
            auto reader = SqliteDatabase::open(f.path, SqliteDatabase::Mode::ReadWrite, nullptr);
            return reader->queryInt("SELECT count(*) FROM slot_record").value_or(-1);
        };

        // The COMMIT itself fails and SQLite rolls the transaction back, as on a full disk.
        container->setSaveFailure(QStringLiteral("disk is full"));
        LogCapture log;
        const StoreWrite first = slots.setItem(ClipboardItem::makeText("one"), 1);
        QCOMPARE(first.status, StoreWrite::Status::Pending);
        QCOMPARE(first.reason, QStringLiteral("disk is full"));
        QCOMPARE(container->notSavingReason(), QStringLiteral("disk is full"));
        slots.setItem(ClipboardItem::makeText("two"), 2);
        QVERIFY(log.contains("io.stashwick.store", "save failed: disk is full"));
        QCOMPARE(slots.revision(), 0);
        // Visible to this run, not yet durable.
        QCOMPARE(slots.item(2)->text, std::optional<QString>("two"));
        QCOMPARE(committedSlotCount(), 0);

        QCOMPARE(slots.item(1)->text, std::optional<QString>("one"));
        // A capture into a slot that waits updates the waiting record, never adds one.
        slots.setItem(ClipboardItem::makeText("two again"), 2);
        QCOMPARE(container->db().queryInt("SELECT count(*) FROM slot_record WHERE slot_index = 2"),
                 std::optional<qint64>(1));

        container->setSaveFailure(std::nullopt);
        QVERIFY(slots.setItem(ClipboardItem::makeText("three"), 3));
        QCOMPARE(slots.revision(), 1);
        QCOMPARE(committedSlotCount(), 3);
        QVERIFY(!container->hasPendingChanges());
        QVERIFY(container->notSavingReason().isEmpty());
        QCOMPARE(slots.item(2)->text, std::optional<QString>("two again"));
    }

    void waitingChangesAreBoundedByTheMemoryTheyHold() {
        FileStore f;
        auto& [env, path, container, clock, slots] = f;
        container->setSaveFailure(QStringLiteral("disk is full"));
        LogCapture log;
        // 40 MB images into one slot: each waits with its statement and its pages.
        QList<QByteArray> kept;
        StoreWrite last;
        for (int i = 0; i < 10 && last.status != StoreWrite::Status::Refused; ++i) {
            ClipboardItem image;
            image.kind = ClipboardKind::Image;
            image.imagePNG = Blob(QByteArray(40 * 1024 * 1024, static_cast<char>('a' + i)));
            last = slots.setItem(image, 5);
            if (last.status == StoreWrite::Status::Pending) {
                kept.append(image.imagePNG->bytes());
            }
            QVERIFY(container->pendingMemory() <= StoreContainer::maxPendingBytes);
        }
        QCOMPARE(last.status, StoreWrite::Status::Refused);
        QVERIFY(last.reason.contains(QStringLiteral("unsaved changes are waiting and hold")));
        QVERIFY(log.mentions("io.stashwick.store", "store write refused: "));
        QVERIFY(kept.size() >= 2);
        QVERIFY(kept.size() < 6);
        // The refused one is gone whole; the last kept one is what the slot shows and saves.
        QCOMPARE(slots.item(5)->imagePNG->bytes(), kept.last());
        container->setSaveFailure(std::nullopt);
        QVERIFY(container->saveLogged("save failed"));
        QVERIFY(!container->isBehind());
        auto reader = SqliteDatabase::open(path, SqliteDatabase::Mode::ReadWrite, nullptr);
        SqliteStatement row = reader->prepare("SELECT length(png), substr(png, 1, 1) FROM "
                                              "slot_record WHERE slot_index = 5");
        QCOMPARE(row.step(), SqliteStatement::Step::Row);
        QCOMPARE(row.int64(0), kept.last().size());
        QCOMPARE(row.blob(1), kept.last().left(1));
    }

    void oneRecordPerSlotIsKeptByTheSchema() {
        TestEnv env;
        const QString path = env.path("store.sqlite");
        {
            QString error;
            auto container = StoreContainer::make(false, path, &error);
            QVERIFY(container);
            const QString insert = QStringLiteral(
                "INSERT INTO slot_record (slot_index, pinned, updated_at, item_data) "
                "VALUES (3, 0, ?, x'00')");
            QVERIFY(container->db().run(insert, {1.0}));
            QVERIFY(!container->db().run(insert, {2.0}));
            // A store written before the rule, with two records for slot 3.
            QVERIFY(container->db().exec("DROP INDEX slot_record_one_per_index"));
            QVERIFY(container->db().run(insert, {9.0}));
            QVERIFY(container->db().run(QString(insert).replace("VALUES (3", "VALUES (4"), {5.0}));
        }
        QString error;
        auto container = StoreContainer::make(false, path, &error);
        QVERIFY2(container, qPrintable(error));
        // The record set last stays; the schema refuses a second one from now on.
        QCOMPARE(container->db().queryInt("SELECT count(*) FROM slot_record"),
                 std::optional<qint64>(2));
        QCOMPARE(container->db().queryInt(
                     "SELECT CAST(updated_at AS INTEGER) FROM slot_record WHERE slot_index = 3"),
                 std::optional<qint64>(9));
        QVERIFY(!container->db().run("INSERT INTO slot_record (slot_index, pinned, updated_at, "
                                     "item_data) VALUES (4, 0, 1, x'00')",
                                     {}));
    }

    void aFailureThatMayPassIsTriedAgainBeforeFallingBack() {
        TestEnv env;
        const QString path = env.path("store.sqlite");
        {
            QString error;
            QVERIFY(StoreContainer::make(false, path, &error));
        }
        // Another process holds the file: busy now, free a moment later.
        auto other = SqliteDatabase::open(path, SqliteDatabase::Mode::ReadWrite, nullptr);
        QVERIFY(other->exec("PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE"));
        int waits = 0;
        auto container = StoreContainer::openPrimaryOrFallback(path, 3, [&] {
            ++waits;
            other->exec("COMMIT");
            other.reset();
        });
        QVERIFY(container);
        QVERIFY(!container->isInMemory());
        QCOMPARE(waits, 1);

        // A store that is not ours is refused at once, and the fallback says why.
        container.reset();
        writeFile(env.path("foreign"), QByteArray(4096, 'x'));
        waits = 0;
        auto fallback =
            StoreContainer::openPrimaryOrFallback(env.path("foreign"), 3, [&] { ++waits; });
        QVERIFY(fallback->isInMemory());
        QCOMPARE(waits, 0);
        QVERIFY(!fallback->notSavingReason().isEmpty());
    }

    void writesSqliteRefusesStayPendingAndAreReplayed() {
        FileStore f;
        auto& [env, path, container, clock, slots] = f;
        QVERIFY(slots.setItem(ClipboardItem::makeText("before"), 0));

        // A full disk: the file may not grow past its size now.
        const qint64 pages = container->db().queryInt("PRAGMA page_count").value_or(0);
        QVERIFY(container->db().exec(QStringLiteral("PRAGMA max_page_count = %1").arg(pages + 1)));
        ClipboardItem image;
        image.kind = ClipboardKind::Image;
        image.imagePNG = Blob(QByteArray(2 * 1024 * 1024, 'p'));
        {
            LogCapture log;
            QVERIFY(!slots.setItem(image, 1));
            QVERIFY(log.contains("io.stashwick.store", "save failed: database or disk is full"));
        }
        QCOMPARE(slots.revision(), 1);
        QVERIFY(container->hasPendingChanges());

        // A read-only connection refuses the next one too.
        QVERIFY(container->db().exec("PRAGMA max_page_count = 1000000; PRAGMA query_only = 1"));
        {
            LogCapture log;
            QVERIFY(!slots.setItem(ClipboardItem::makeText("while read-only"), 2));
            QVERIFY(log.contains("io.stashwick.store", "save failed: attempt to write a readonly "
                                                       "database"));
        }

        // The next save that works commits both, in order.
        QVERIFY(container->db().exec("PRAGMA query_only = 0"));
        QVERIFY(slots.setItem(ClipboardItem::makeText("after"), 3));
        QVERIFY(!container->hasPendingChanges());
        auto reader = SqliteDatabase::open(path, SqliteDatabase::Mode::ReadWrite, nullptr);
        QCOMPARE(reader->queryInt("SELECT count(*) FROM slot_record"), std::optional<qint64>(4));
        QCOMPARE(slots.item(1)->imagePNG->bytes(), image.imagePNG->bytes());

        // While saves keep failing, what waits is bounded: beyond it a change is refused whole.
        QVERIFY(container->db().exec("PRAGMA query_only = 1"));
        LogCapture log;
        const auto pin = [&f] {
            return f.container->change("UPDATE slot_record SET pinned = 1 WHERE slot_index = 0",
                                       {});
        };
        for (std::size_t i = 0; i + 1 < StoreContainer::maxPendingChanges; ++i) {
            pin();
        }
        // A swap whose second half finds no room is taken back whole.
        QCOMPARE(slots.move(0, 3).status, StoreWrite::Status::Refused);
        QCOMPARE(container->pendingCount(), StoreContainer::maxPendingChanges - 1);
        QVERIFY(pin());
        QVERIFY(!slots.setItem(ClipboardItem::makeText("one too many"), 4));
        QVERIFY(log.mentions("io.stashwick.store", "store write refused: 1000 unsaved changes"));
        QVERIFY(container->db().exec("PRAGMA query_only = 0"));
        QVERIFY(container->saveLogged("save failed"));
        QVERIFY(slots.isPinned(0));
        QVERIFY(!slots.item(4));
        QCOMPARE(slots.item(0)->text, std::optional<QString>("before"));
        QCOMPARE(slots.item(3)->text, std::optional<QString>("after"));
    }

    void linkedStoreIsFollowedAndAFallbackNamesItsReason() {
        TestEnv env;
        QVERIFY(QDir().mkpath(env.path("synced")));
        QVERIFY(QDir().mkpath(env.path("data/Stashwick")));
        const QString target = env.path("synced/Store.sqlite");
        {
            QString error;
            QVERIFY(StoreContainer::make(false, target, &error));
        }
        QVERIFY(QFile::link(target, AppPaths::storeFile()));
        QString error;
        auto container = StoreContainer::make(false, std::nullopt, &error);
        QVERIFY2(container, qPrintable(error));
        QCOMPARE(container->path(), QFileInfo(target).canonicalFilePath());
        QVERIFY(QFileInfo(AppPaths::storeFile()).isSymLink());

        // A data folder reached through a link (a dotfile manager's, another disk) works
        // like a plain one, for a new store and across reopening.
        container.reset();
        QVERIFY(QDir(env.path("data")).removeRecursively());
        QVERIFY(QDir().mkpath(env.path("elsewhere/share")));
        QVERIFY(QFile::link(env.path("elsewhere/share"), env.path("data")));
        ManualClock clock;
        for (int run = 0; run < 2; ++run) {
            auto linked = StoreContainer::openPrimaryOrFallback(AppPaths::storeFile());
            QVERIFY(!linked->isInMemory());
            SlotStore slots(*linked, clock);
            if (run == 0) {
                QVERIFY(slots.setItem(ClipboardItem::makeText("through a link"), 2));
            } else {
                QCOMPARE(slots.item(2)->text, std::optional<QString>("through a link"));
            }
        }
        QVERIFY(QFileInfo::exists(env.path("elsewhere/share/Stashwick/Store.sqlite")));

        // Both at once: the link of the file inside a linked folder.
        QVERIFY(QFile::remove(AppPaths::storeFile()));
        QVERIFY(QFile::link(target, AppPaths::storeFile()));
        QString again;
        container = StoreContainer::make(false, std::nullopt, &again);
        QVERIFY2(container, qPrintable(again));
        QCOMPARE(container->path(), QFileInfo(target).canonicalFilePath());

        // A dangling link is refused with its reason, never created behind the user's back.
        container.reset();
        QVERIFY(QFile::remove(target));
        LogCapture log;
        auto fallback = StoreContainer::openPrimaryOrFallback(AppPaths::storeFile());
        QVERIFY(fallback->isInMemory());
        QVERIFY(
            log.mentions("io.stashwick.app", "which does not exist; falling back to in-memory"));
        QVERIFY(!QFileInfo::exists(target));
    }

    void everyFileIsPrivateWhateverTheUmask() {
        TestEnv env;
        const Umask loose(022);
        ManualClock clock;
        {
            auto container = StoreContainer::make(false, std::nullopt, nullptr);
            QVERIFY(container);
            SlotStore slots(*container, clock);
            slots.setItem(ClipboardItem::makeText("a password"), 1);
            QVERIFY(AtomicFile::write(AppPaths::stateFile(), "{}"));
            UserDefaults defaults;
            defaults.setString("appearanceMode", "dark");
            const QString data = AppPaths::dataDir();
            QCOMPARE(modeOf(data), 0700);
            for (const char* name :
                 {"Store.sqlite", "Store.sqlite-wal", "Store.sqlite-shm", "state.json"}) {
                QVERIFY2(QFileInfo::exists(data + "/" + name), qPrintable(name));
                QCOMPARE(modeOf(data + "/" + name), 0600);
            }
            QCOMPARE(modeOf(env.path("config/Stashwick")), 0700);
            QCOMPARE(modeOf(env.path("config/Stashwick/Stashwick.conf")), 0600);
        }
        // What an earlier version left open to others is closed at the next start, each with
        // a line in the log; what is already private is left alone and not logged.
        const QString data = AppPaths::dataDir();
        QFile::setPermissions(data, QFile::permissions(data) | QFileDevice::ReadOther |
                                        QFileDevice::ExeOther);
        for (const char* name : {"Store.sqlite", "state.json"}) {
            QFile::setPermissions(data + "/" + name,
                                  QFile::permissions(data + "/" + name) | QFileDevice::ReadOther);
        }
        LogCapture log;
        QCOMPARE(modeOf(AppPaths::dataDir()), 0700);
        auto container = StoreContainer::make(false, std::nullopt, nullptr);
        QVERIFY(container);
        QCOMPARE(modeOf(data + "/Store.sqlite"), 0600);
        QVERIFY(log.mentions("io.stashwick.app", data + "/Store.sqlite private"));
        QVERIFY(log.mentions("io.stashwick.app", data + " private"));
        QVERIFY(AtomicFile::write(AppPaths::stateFile(), "{\"again\": true}"));
        QCOMPARE(modeOf(data + "/state.json"), 0600);
        QCOMPARE(log.count(), 2);

        // The instance's runtime folder too: one left open is closed, a link is not followed.
        const QString run = qEnvironmentVariable("XDG_RUNTIME_DIR") + "/stashwick";
        QVERIFY(QDir().mkpath(run));
        QVERIFY(QFile::setPermissions(run, QFile::permissions(run) | QFileDevice::ReadOther));
        std::string error;
        QCOMPARE(RuntimeDir::path(&error), std::optional(run.toStdString()));
        QCOMPARE(modeOf(run), 0700);
        QVERIFY(QDir(run).removeRecursively());
        QVERIFY(QFile::link(data, run));
        QVERIFY(!RuntimeDir::path(&error));
        QVERIFY2(error.find("is not a private folder") != std::string::npos, error.c_str());
    }

    void withoutADataLocationNothingIsWrittenAnywhere() {
        const QByteArray home = qgetenv("HOME");
        const QByteArray xdg = qgetenv("XDG_DATA_HOME");
        qunsetenv("HOME");
        qunsetenv("XDG_DATA_HOME");
        QCOMPARE(AppPaths::storeFile(), QString());
        LogCapture log;
        auto container = StoreContainer::openPrimaryOrFallback(AppPaths::storeFile());
        qputenv("HOME", home);
        qputenv("XDG_DATA_HOME", xdg);
        QVERIFY(container);
        QVERIFY(container->isInMemory());
        QVERIFY(container->notSavingReason().contains("neither XDG_DATA_HOME nor HOME"));
        QVERIFY(!QFileInfo::exists(QDir::tempPath() + "/Stashwick/Store.sqlite"));
    }

    void deletedContentIsNotLeftInTheFile() {
        TestEnv env;
        ManualClock clock;
        auto container = StoreContainer::make(false, std::nullopt, nullptr);
        QVERIFY(container);
        SlotStore slots(*container, clock, 3);
        const QByteArray cleared = "cleared-slot-secret-" + QByteArray(2000, 'c');
        const QByteArray pushedOut = "pushed-out-history-secret-" + QByteArray(2000, 'h');
        slots.setItem(ClipboardItem::makeText(QString::fromLatin1(cleared)), 2);
        slots.addHistory(ClipboardItem::makeText(QString::fromLatin1(pushedOut)));
        for (int i = 0; i < 3; ++i) {
            slots.addHistory(ClipboardItem::makeText(QStringLiteral("later %1").arg(i)));
        }
        QVERIFY(slots.clear(2).status == StoreWrite::Status::Saved);
        // Everything in the log is now in the file itself.
        QVERIFY(container->db().exec("PRAGMA wal_checkpoint(TRUNCATE)"));
        const QString file = AppPaths::storeFile();
        QVERIFY(!fileHolds(file, "cleared-slot-secret-"));
        QVERIFY(!fileHolds(file, "pushed-out-history-secret-"));
        QVERIFY(fileHolds(file, "later 2"));
    }
};

QTEST_GUILESS_MAIN(StoreContainerTest)
#include "tst_storecontainer.moc"
