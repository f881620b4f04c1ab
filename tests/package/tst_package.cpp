// The Debian package as a technician meets it: built by CPack, unpacked into a root of
// its own, the program folder read-only, and the window started from there by a user
// who owns nothing but a home (root ignores permission bits, so root runs it as nobody).
#include "SRecordFiles.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using SRecordFiles::runTool;

// BootPrg's rows in the running window's database; -1 while it cannot be read.
static int bootRows(const QString &database)
{
    int rows = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "peek");
        db.setDatabaseName(database);
        db.setConnectOptions("QSQLITE_OPEN_READONLY"); // a missing file is not made
        QSqlQuery count(db);
        if (db.open() && count.exec("SELECT COUNT(*) FROM BootPrg") && count.next())
            rows = count.value(0).toInt();
    }
    QSqlDatabase::removeDatabase("peek");
    return rows;
}

class tst_Package : public QObject
{
    Q_OBJECT

    QTemporaryDir m_packages, m_root;
    QString m_deb;
    QString root(const QString &relative) const { return m_root.filePath(relative); }

private slots:
    void initTestCase()
    {
        QByteArray log, architecture;
        QVERIFY2(runTool("cpack",
                         {"-G", "DEB", "--config", BRISK_BINARY_DIR "/CPackConfig.cmake", "-B", m_packages.path()}, {},
                         &log),
                 log);
        QVERIFY(runTool("dpkg", {"--print-architecture"}, {}, &architecture));
        m_deb = m_packages.filePath(BRISK_PACKAGE_FILE "_" + architecture.trimmed() + ".deb");
        QVERIFY(runTool("dpkg-deb", {"-x", m_deb, m_root.path()}));
        QVERIFY(QFile::setPermissions(m_root.path(), QFile::permissions(m_root.path()) | QFile::ExeOther));
    }
    void cleanupTestCase() { runTool("chmod", {"-R", "u+w", m_root.path()}); } // so that it can be removed

    void packageHoldsTheFolderTheLinksAndTheDesktopFiles()
    {
        QByteArray listing, fields;
        QVERIFY(runTool("dpkg-deb", {"-c", m_deb}, {}, &listing));
        for (const char *entry : {" ./opt/brisk-hx7730/BriskHx7730\n", " ./opt/brisk-hx7730/brisk\n",
                                  " ./opt/brisk-hx7730/HELP/help_e.htm\n", " ./opt/brisk-hx7730/HELP/help_j.htm\n",
                                  " ./usr/bin/brisk -> /opt/brisk-hx7730/brisk\n",
                                  " ./usr/bin/brisk-hx7730 -> /opt/brisk-hx7730/BriskHx7730\n",
                                  " ./usr/share/icons/hicolor/64x64/apps/brisk-hx7730.png\n",
                                  " ./usr/share/icons/hicolor/scalable/apps/brisk-hx7730.svg\n"})
            QVERIFY2(listing.contains(entry), entry);
        QCOMPARE(listing.count(" ./opt/brisk-hx7730/"), 6); // the folder, HELP, two programs, two pages
        QVERIFY(runTool("dpkg-deb", {"-f", m_deb, "Depends", "Recommends"}, {}, &fields));
        // Qt's SQLite driver is a plugin that no binary links; the rest comes from the binaries.
        for (const char *needed : {"Depends: libqt6sql6-sqlite", "libqt6widgets6", "libqt6serialport6", "libsqlite3-0",
                                   "Recommends: fonts-ipafont-gothic, qt6-translations-l10n"})
            QVERIFY2(fields.contains(needed), fields);
        for (const QStringList &validator :
             {QStringList{"desktop-file-validate", root("usr/share/applications/" BRISK_APP_ID ".desktop")},
              {"appstreamcli", "validate", "--no-net", root("usr/share/metainfo/" BRISK_APP_ID ".metainfo.xml")},
              {"lintian", "--fail-on", "error", m_deb}}) {
            QByteArray output;
            QVERIFY2(runTool(validator[0], validator.mid(1), {}, &output), qPrintable(validator[0] + ": " + output));
        }
        // Qt names the window's class (WM_CLASS) after the name it was started by: the entry's Exec.
        const QByteArray entry = SRecordFiles::readFile(root("usr/share/applications/" BRISK_APP_ID ".desktop"));
        QVERIFY2(entry.contains("\nExec=brisk-hx7730\n") && entry.contains("\nStartupWMClass=brisk-hx7730\n"), entry);
    }

    // The working database and its lock in the runtime folder, the boot loader from the
    // per-user data folder, nothing left after a close.
    void windowRunsFromReadOnlyFolderAsUser()
    {
        QTemporaryDir home;
        const QString runtime = home.filePath("runtime"), program = root("opt/brisk-hx7730/BriskHx7730");
        const QByteArray loader = SRecordFiles::imageAsS2(SRecordFiles::randomBytes(2048, 7));
        QVERIFY(QDir().mkpath(runtime) && QDir().mkpath(home.filePath("data/BriskHx7730")));
        QVERIFY(SRecordFiles::writeFile(home.filePath("data/BriskHx7730/7730F.REL"), loader));
        QVERIFY(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const bool asRoot = ::geteuid() == 0;
        QVERIFY(!asRoot || runTool("chown", {"-R", "nobody:nogroup", home.path()}));
        QVERIFY(runTool("chmod", {"-R", "a-w", root("opt/brisk-hx7730")}));

        QProcess window;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment(); // offscreen, C.UTF-8
        env.insert("HOME", home.path());
        env.insert("XDG_RUNTIME_DIR", runtime);
        env.insert("XDG_DATA_HOME", home.filePath("data"));
        env.insert("XDG_CONFIG_HOME", home.filePath("config"));
        window.setProcessEnvironment(env);
        window.setProcessChannelMode(QProcess::ForwardedChannels);
        if (asRoot)
            window.start("setpriv", {"--reuid=nobody", "--regid=nogroup", "--clear-groups", program});
        else
            window.start(program, {});
        QVERIFY(window.waitForStarted());
        const QString database = runtime + "/BriskHx7730.mdb";
        QTRY_COMPARE_WITH_TIMEOUT(bootRows(database), int(loader.count('\n')), 60'000);
        QVERIFY(QFileInfo::exists(database + ".lock"));
        window.terminate(); // the window closes as by its close button
        QVERIFY(window.waitForFinished(60'000));
        QCOMPARE(window.exitStatus(), QProcess::NormalExit);
        QCOMPARE(window.exitCode(), 0);
        QVERIFY(QDir(runtime).isEmpty());
    }

    // Without XDG_RUNTIME_DIR the window would keep its database in the shared temporary
    // folder. Another user has planted there the folder it would make, a link in its
    // database's place and a lock naming process 1: the window makes a folder of its own,
    // follows no link, takes no lock of another for its own and starts; a signal ends it
    // and takes its folder away. Two unprivileged users, as root would ignore the modes.
    void windowIgnoresWhatAnotherUserPlanted()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to act as two users");
        QTemporaryDir shared, home;
        const QString victim = "BriskHx7730-65534", chosen = home.filePath("chosen.mdb");
        QVERIFY(QFile::setPermissions(shared.path(), QFile::Permissions(0x7777)) &&
                QDir().mkpath(home.filePath("data/BriskHx7730")));
        const QByteArray loader = SRecordFiles::imageAsS2(SRecordFiles::randomBytes(2048, 8));
        QVERIFY(SRecordFiles::writeFile(home.filePath("data/BriskHx7730/7730F.REL"), loader));
        QVERIFY(runTool("chown", {"-R", "nobody:nogroup", home.path()}));
        const QString plant = QString("mkdir -m 777 %1 && ln -s %2 BriskHx7730.mdb && printf '1\nBriskHx7730\n%3\n' "
                                      "> BriskHx7730.mdb.lock")
                                  .arg(victim, chosen, QSysInfo::machineHostName());
        QVERIFY(runTool("setpriv", {"--reuid=daemon", "--regid=daemon", "--clear-groups", "sh", "-c", plant},
                        shared.path()));
        const auto filter = QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot;
        const QStringList planted = QDir(shared.path()).entryList(filter);
        QCOMPARE(planted.size(), 3);

        QProcess window;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("XDG_RUNTIME_DIR");
        for (const auto &[name, value] :
             {std::pair{"TMPDIR", shared.path()}, {"HOME", home.path()}, {"XDG_DATA_HOME", home.filePath("data")}})
            env.insert(name, value);
        window.setProcessEnvironment(env);
        window.setProcessChannelMode(QProcess::ForwardedChannels);
        window.start("setpriv",
                     {"--reuid=nobody", "--regid=nogroup", "--clear-groups", root("opt/brisk-hx7730/BriskHx7730")});
        QVERIFY(window.waitForStarted());
        // The folder the window made for itself, beside what was planted.
        const auto own = [&] {
            const QStringList made = QDir(shared.path()).entryList({victim + "-*"}, QDir::Dirs);
            return made.size() == 1 ? shared.filePath(made.first()) : QString();
        };
        QTRY_COMPARE_WITH_TIMEOUT(bootRows(own() + "/BriskHx7730.mdb"), int(loader.count('\n')), 60'000);
        const QFileInfo folder(own());
        QVERIFY(folder.ownerId() == 65534 &&
                folder.permissions() == (QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser |
                                         QFile::WriteUser | QFile::ExeUser));
        QVERIFY(!QFileInfo::exists(chosen) && QDir(shared.filePath(victim)).isEmpty());
        window.terminate();
        QVERIFY(window.waitForFinished(60'000));
        QCOMPARE(window.exitStatus(), QProcess::NormalExit);
        // What the other user planted stays as it was; Qt's own runtime folder for the user may come beside it.
        QCOMPARE(QDir(shared.path()).entryList(planted, filter), planted);
        QVERIFY(own().isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_Package)
#include "tst_package.moc"
