#include "core/ManualClock.h"
#include "core/ManualScheduler.h"
#include "platform/gnome/GVariantText.h"
#include "platform/gnome/GnomeCustomShortcuts.h"
#include "platform/gnome/GnomeKeyBindings.h"
#include "platform/gnome/GnomeShortcutEntries.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

// GNOME's custom keyboard shortcuts written through the real gsettings command into dconf on
// a private session bus (dconf-service starts on it by itself), with the settings folder and
// the runtime folder in a temporary directory.
class GnomeShortcutsTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcess m_bus;
    ManualClock m_clock;
    ManualScheduler m_scheduler{m_clock};

    const QString list = GnomeShortcutEntries::listSchema;
    const QString folder = GnomeShortcutEntries::folder;
    const QString command = QStringLiteral("/usr/bin/stashwick");

    static QString gsettings(const QStringList& arguments) {
        QProcess p;
        p.start(QStringLiteral("gsettings"), arguments);
        if (!p.waitForFinished(10000) || p.exitCode() != 0) {
            qWarning() << "gsettings" << arguments << "failed:" << p.readAllStandardError();
            return QStringLiteral("<failed>");
        }
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    // The string at `key` of the entry at `path`, as gsettings reads it.
    static QString entryKey(const QString& path, const QString& key) {
        const QString text = gsettings(
            {QStringLiteral("get"), GnomeShortcutEntries::entrySchema + u':' + path, key});
        return GVariantText::parseStringArray(u'[' + text + u']')
            .value_or(QStringList{QStringLiteral("<unreadable>")})
            .value(0);
    }
    // The name, command and binding of the entry at `path`.
    static QStringList stored(const QString& path) {
        return {entryKey(path, "name"), entryKey(path, "command"), entryKey(path, "binding")};
    }
    QStringList userList() {
        return GVariantText::parseStringArray(gsettings({"get", list, "custom-keybindings"}))
            .value_or(QStringList{QStringLiteral("<unreadable>")});
    }
    // Runs one request and waits (with a deadline) for its answer.
    template <typename Request> static bool finished(Request request) {
        bool done = false;
        request([&done] { done = true; });
        return QTest::qWaitFor([&] { return done; }, 30000);
    }
    // A stand-in for gsettings: a shell script.
    QString script(const QString& name, const QByteArray& body) {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) {
            return {};
        }
        f.write("#!/bin/sh\n" + body + "\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }

    const QString userPath = folder + QStringLiteral("custom0/");

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("config")));
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("run")));
        QFile::setPermissions(m_dir.filePath(QStringLiteral("run")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")).toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", m_dir.filePath(QStringLiteral("run")).toLocal8Bit());
        qputenv("GSETTINGS_BACKEND", "dconf");
        // The bus (and the dconf-service it starts) gets the folders above.
        m_bus.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--session"), QStringLiteral("--nofork"),
                     QStringLiteral("--print-address=1")});
        QVERIFY2(m_bus.waitForStarted(10000), qPrintable(m_bus.errorString()));
        QVERIFY(QTest::qWaitFor([&] { return m_bus.canReadLine(); }, 10000));
        const QByteArray address = m_bus.readLine().trimmed();
        QVERIFY(!address.isEmpty());
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);

        // The user's own custom shortcut.
        gsettings({"set", list, "custom-keybindings", "['" + userPath + "']"});
        const QString schema = GnomeShortcutEntries::entrySchema + u':' + userPath;
        gsettings({"set", schema, "name", "'Terminal'"});
        gsettings({"set", schema, "command", "'gnome-terminal'"});
        gsettings({"set", schema, "binding", "'<Super>t'"});
        QCOMPARE(userList(), QStringList{userPath});
    }

    void cleanupTestCase() {
        m_bus.kill();
        m_bus.waitForFinished(5000);
    }

    void theEntriesOfAConfigurationInGsettingsTextForm() {
        HotkeyConfig config;
        const QList<GnomeShortcuts::Entry> e = GnomeShortcutEntries::entries(config, command);
        QCOMPARE(e.size(), GnomeShortcuts::entryCount);
        QCOMPARE(e[3].path, folder + "stashwick-copy-3/");
        QCOMPARE(e[3].name, QStringLiteral("Stashwick: copy into slot 3"));
        QCOMPARE(e[3].command, QStringLiteral("'/usr/bin/stashwick' 'stashwick://copy-to-slot/3'"));
        QCOMPARE(e[3].binding, QStringLiteral("<Control><Alt>3"));
        QCOMPARE(e[10].path, folder + "stashwick-paste-0/");
        QCOMPARE(e[10].command, QStringLiteral("'/usr/bin/stashwick' 'stashwick://paste-slot/0'"));
        QCOMPARE(e[10].binding, QStringLiteral("<Control><Super>0"));
        QCOMPARE(e[20].path, folder + "stashwick-summon/");
        QCOMPARE(e[20].name, QStringLiteral("Stashwick: open window"));
        QCOMPARE(e[20].command, QStringLiteral("'/usr/bin/stashwick' 'stashwick://summon'"));
        QCOMPARE(e[20].binding, QStringLiteral("<Control><Alt><Super>v"));
        QVERIFY(GnomeShortcutEntries::isOurs(e[20].path));
        QVERIFY(!GnomeShortcutEntries::isOurs(userPath));
        // Every modifier, in GTK's order whatever order the bits come in.
        QCOMPARE(GnomeShortcutEntries::accelerator(
                     Modifiers::of({Modifiers::command, Modifiers::shift, Modifiers::option,
                                    Modifiers::control}),
                     "Left"),
                 QStringLiteral("<Control><Alt><Shift><Super>Left"));

        // A shell (GNOME splits the line as one does) gets back the two words whole.
        const QString line = GnomeShortcutEntries::commandLine("/opt/it's here/stashwick",
                                                               "stashwick://copy-to-slot/3");
        QProcess sh;
        sh.start(QStringLiteral("/bin/sh"), {"-c", "printf '<%s>' " + line});
        QVERIFY(sh.waitForFinished(10000));
        QCOMPARE(sh.readAllStandardOutput(),
                 QByteArray("</opt/it's here/stashwick><stashwick://copy-to-slot/3>"));

        // String arrays in gsettings' text form.
        QCOMPARE(GVariantText::parseStringArray("@as []"), QStringList());
        QCOMPARE(GVariantText::parseStringArray(" ['/a/', \"/b'c/\", '\\\\d\\'\\u00e9'] \n"),
                 QStringList({"/a/", "/b'c/", "\\d'\u00e9"}));
        QVERIFY(!GVariantText::parseStringArray("['/a/'"));
        QVERIFY(!GVariantText::parseStringArray("['/a/' '/b/']"));
        QVERIFY(!GVariantText::parseStringArray("No such schema"));
        const QStringList odd{"it's", "back\\slash", "tab\there"};
        QCOMPARE(GVariantText::parseStringArray(GVariantText::stringArray(odd)), odd);
        QCOMPARE(GVariantText::stringArray({}), QStringLiteral("@as []"));
        // gsettings takes our quoting: a name with quotes comes back the same.
        const QString schema = GnomeShortcutEntries::entrySchema + ":" + folder + "quoting/";
        gsettings({"set", schema, "name", GVariantText::quoted("it's \"odd\" \\ é")});
        QCOMPARE(entryKey(folder + "quoting/", "name"), QStringLiteral("it's \"odd\" \\ é"));
        gsettings({"reset-recursively", schema});
    }

    // GNOME's own shortcuts as gsettings lists them (shortcut schemas only, arrays and single
    // strings, any spelling of the modifiers); one on a chord of ours is found, and taken off
    // with its other keys kept.
    void gnomesOwnShortcutOnAChordIsTakenOff() {
        const auto bindings = GnomeKeyBindings::parse(
            "org.gnome.shell.keybindings open-new-window-application-1 ['<Super><Control>1']\n"
            "org.gnome.desktop.wm.keybindings close ['<Alt>F4', 'disabled', '']\n"
            "org.gnome.desktop.wm.keybindings minimize @as []\n"
            "org.gnome.settings-daemon.plugins.media-keys screensaver '<Primary><Alt>l'\n"
            "org.gnome.settings-daemon.plugins.media-keys custom-keybindings ['/org/a/']\n"
            "org.gnome.desktop.interface font-name 'Cantarell 11'\n"
            "org.gnome.mutter.keybindings broken ['<Super>1'\n"
            "garbage\n");
        QCOMPARE(bindings.size(), 3);
        QCOMPARE(bindings[0].key, QStringLiteral("open-new-window-application-1"));
        QCOMPARE(bindings[1].accelerators, QStringList{"<Alt>F4"});
        QVERIFY(bindings[1].array && !bindings[2].array);
        QCOMPARE(bindings[2].schema,
                 QStringLiteral("org.gnome.settings-daemon.plugins.media-keys"));
        QVERIFY(GnomeKeyBindings::sameChord("<Super><Control>1", "<Control><Super>1"));
        QVERIFY(GnomeKeyBindings::sameChord("<Primary><Mod1>L", "<Control><Alt>l"));
        QVERIFY(!GnomeKeyBindings::sameChord("<Super><Control>1", "<Control>1"));
        QVERIFY(!GnomeKeyBindings::sameChord("<Super><Control>1", "<Control><Super>KP_1"));
        QCOMPARE(GnomeKeyBindings::without(bindings[2], {"<Control><Alt>l"}), QStringLiteral("''"));
        QCOMPARE(GnomeKeyBindings::without(bindings[0], {"<Control><Super>1"}),
                 QStringLiteral("@as []"));

        const QString wm = QStringLiteral("org.gnome.desktop.wm.keybindings");
        const QString key = QStringLiteral("switch-to-workspace-3");
        gsettings({"set", wm, key, "['<Super>Page_Up', '<Primary><Super>3']"});
        GnomeCustomShortcuts gnome(command, m_scheduler);
        QVERIFY(finished([&](auto done) { gnome.check(done); }));
        // (GNOME Shell 47 and later have Control+Super+1…9 of their own as well.)
        QList<GnomeShortcuts::Clash> clashes = gnome.clashes(HotkeyConfig());
        clashes.removeIf([&](const GnomeShortcuts::Clash& c) { return c.schema != wm; });
        QCOMPARE(clashes.size(), 1);
        QCOMPARE(clashes[0].binding, QStringLiteral("<Control><Super>3"));
        QCOMPARE(clashes[0].name, QStringLiteral("Stashwick: paste slot 3"));
        QCOMPARE(clashes[0].key, key);
        // A chord recorded elsewhere clashes with nothing.
        HotkeyConfig shifted;
        shifted.pasteModifiers = Modifiers::of({Modifiers::control, Modifiers::shift});
        QVERIFY(gnome.clashes(shifted).isEmpty());

        QVERIFY(finished([&](auto done) { gnome.freeClashes(HotkeyConfig(), done); }));
        QCOMPARE(gnome.status().state, GnomeShortcuts::State::Absent);
        QVERIFY(gnome.clashes(HotkeyConfig()).isEmpty());
        QCOMPARE(gsettings({"get", wm, key}), QStringLiteral("['<Super>Page_Up']"));
        QCOMPARE(userList(), QStringList{userPath}); // the custom shortcuts untouched
        gsettings({"reset", wm, key});
    }

    void addWritesOurEntriesBesideTheUsersOwn() {
        GnomeCustomShortcuts gnome(command, m_scheduler);
        QVERIFY(finished([&](auto done) { gnome.check(done); }));
        QCOMPARE(gnome.status().state, GnomeShortcuts::State::Absent);

        QVERIFY(finished([&](auto done) { gnome.add(HotkeyConfig(), done); }));
        QCOMPARE(gnome.status().state, GnomeShortcuts::State::Added);
        QCOMPARE(gnome.status().present, GnomeShortcuts::entryCount);
        QStringList expected{userPath};
        for (const auto& e : gnome.entries(HotkeyConfig())) {
            expected << e.path;
            QCOMPARE(stored(e.path), QStringList({e.name, e.command, e.binding}));
        }
        QCOMPARE(userList(), expected);
        QCOMPARE(stored(userPath), QStringList({"Terminal", "gnome-terminal", "<Super>t"}));

        // Another instance (the next start) reads them back from the list.
        GnomeCustomShortcuts again(command, m_scheduler);
        QVERIFY(finished([&](auto done) { again.check(done); }));
        QCOMPARE(again.status().state, GnomeShortcuts::State::Added);
    }

    void aRecordedChordUpdatesOursInTheList() {
        GnomeCustomShortcuts gnome(command, m_scheduler);
        // One taken out in GNOME's Settings stays out.
        const QString paste5 = folder + "stashwick-paste-5/";
        QStringList l = userList();
        QVERIFY(l.removeOne(paste5));
        gsettings({"set", list, "custom-keybindings", GVariantText::stringArray(l)});
        gsettings({"reset-recursively", GnomeShortcutEntries::entrySchema + u':' + paste5});
        QVERIFY(finished([&](auto done) { gnome.check(done); }));
        QCOMPARE(gnome.status().state, GnomeShortcuts::State::Partial);
        QCOMPARE(gnome.status().present, GnomeShortcuts::entryCount - 1);

        HotkeyConfig config;
        config.copyModifiers = Modifiers::of({Modifiers::control, Modifiers::shift});
        config.pasteModifiers =
            Modifiers::of({Modifiers::control, Modifiers::option, Modifiers::shift});
        // Recorded one after another, while the first is being written: the last one holds.
        HotkeyConfig first = config;
        first.copyModifiers = Modifiers::of({Modifiers::control, Modifiers::command});
        HotkeyConfig second = first;
        second.pasteModifiers = Modifiers::of({Modifiers::option});
        gnome.update(first, nullptr);
        gnome.update(second, nullptr);
        QVERIFY(finished([&](auto done) { gnome.update(config, done); }));
        QCOMPARE(gnome.status().state, GnomeShortcuts::State::Partial);
        QCOMPARE(entryKey(folder + "stashwick-copy-3/", "binding"),
                 QStringLiteral("<Control><Shift>3"));
        QCOMPARE(entryKey(folder + "stashwick-paste-4/", "binding"),
                 QStringLiteral("<Control><Alt><Shift>4"));
        QCOMPARE(entryKey(paste5, "binding"), QString());
        QCOMPARE(userList(), l);
        QCOMPARE(entryKey(userPath, "binding"), QStringLiteral("<Super>t"));

        // Adding again puts the missing one back at the end.
        QVERIFY(finished([&](auto done) { gnome.add(config, done); }));
        QCOMPARE(gnome.status().state, GnomeShortcuts::State::Added);
        QCOMPARE(userList(), l + QStringList{paste5});
        QCOMPARE(entryKey(paste5, "binding"), QStringLiteral("<Control><Alt><Shift>5"));
    }

    void removeLeavesExactlyTheUsersOwn() {
        // A custom shortcut the user added after ours stays, in its place.
        const QString later = folder + "custom1/";
        gsettings(
            {"set", list, "custom-keybindings", GVariantText::stringArray(userList() << later)});
        gsettings({"set", GnomeShortcutEntries::entrySchema + u':' + later, "name", "'Later'"});

        GnomeCustomShortcuts gnome(command, m_scheduler);
        QVERIFY(finished([&](auto done) { gnome.remove(done); }));
        QCOMPARE(gnome.status().state, GnomeShortcuts::State::Absent);
        QCOMPARE(userList(), QStringList({userPath, later}));
        for (const auto& e : gnome.entries(HotkeyConfig())) {
            QCOMPARE(stored(e.path), QStringList({"", "", ""}));
        }
        QCOMPARE(stored(userPath), QStringList({"Terminal", "gnome-terminal", "<Super>t"}));
        QCOMPARE(entryKey(later, "name"), QStringLiteral("Later"));
        // An update with none of ours in the list writes nothing back.
        QVERIFY(finished([&](auto done) { gnome.update(HotkeyConfig(), done); }));
        QCOMPARE(entryKey(folder + "stashwick-copy-3/", "name"), QString());
        QCOMPARE(gnome.status().state, GnomeShortcuts::State::Absent);
    }

    void failuresSayWhy() {
        GnomeCustomShortcuts missing(command, m_scheduler, m_dir.filePath("no-such-gsettings"));
        QVERIFY(finished([&](auto done) { missing.add(HotkeyConfig(), done); }));
        QCOMPARE(missing.status().state, GnomeShortcuts::State::Failed);
        QCOMPARE(missing.status().failedRequest, GnomeShortcuts::State::Adding);
        QVERIFY2(missing.status().failure.contains("could not be started"),
                 qPrintable(missing.status().failure));

        GnomeCustomShortcuts noSchema(
            command, m_scheduler,
            script("no-schema", "echo 'No such schema \"org.gnome.settings-daemon.plugins."
                                "media-keys\"' >&2; exit 1"));
        QVERIFY(finished([&](auto done) { noSchema.check(done); }));
        QCOMPARE(noSchema.status().state, GnomeShortcuts::State::Failed);
        QCOMPARE(noSchema.status().failure,
                 QStringLiteral("No such schema \"org.gnome.settings-daemon.plugins.media-keys\""));

        // Without the settings service gsettings drops the writes and says nothing.
        const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + m_dir.filePath("no-bus").toLocal8Bit());
        GnomeCustomShortcuts unheard(command, m_scheduler);
        const bool answered = finished([&](auto done) { unheard.add(HotkeyConfig(), done); });
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
        QVERIFY(answered);
        QCOMPARE(unheard.status().state, GnomeShortcuts::State::Failed);
        QVERIFY2(unheard.status().failure.contains("did not keep"),
                 qPrintable(unheard.status().failure));
        QCOMPARE(userList(), QStringList({userPath, folder + "custom1/"}));

        // One that never answers is killed at the deadline.
        const QString pidFile = m_dir.filePath("silent.pid");
        GnomeCustomShortcuts silent(
            command, m_scheduler,
            script("silent", "echo $$ > '" + pidFile.toLocal8Bit() + "'; exec sleep 600"));
        bool done = false;
        silent.remove([&] { done = true; });
        QVERIFY(QTest::qWaitFor([&] { return QFile(pidFile).size() > 0; }, 10000));
        QFile f(pidFile);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const pid_t pid = f.readAll().trimmed().toInt();
        QVERIFY(pid > 0);
        m_scheduler.advance(GSettingsRunner::deadlineSeconds - 0.5);
        QVERIFY(!done);
        QCOMPARE(silent.status().state, GnomeShortcuts::State::Removing);
        m_scheduler.advance(1);
        QVERIFY(done);
        QCOMPARE(silent.status().state, GnomeShortcuts::State::Failed);
        QCOMPARE(silent.status().failedRequest, GnomeShortcuts::State::Removing);
        QVERIFY2(silent.status().failure.contains("did not answer"),
                 qPrintable(silent.status().failure));
        QVERIFY(QTest::qWaitFor([&] { return ::kill(pid, 0) != 0; }, 10000));
    }
};

QTEST_GUILESS_MAIN(GnomeShortcutsTest)
#include "tst_gnomeshortcuts.moc"
