// The Debian package as a technician meets it: built by CPack, unpacked into a root of
// its own, the program folder read-only, and the window started from there by a user
// who owns nothing but a home (root ignores permission bits, so root runs it as nobody).
#include "SRecordFiles.h"

#include <QDirIterator>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

const QString ProgramFolder = QStringLiteral("opt/brisk-hx7730");
const QString DesktopEntry = QStringLiteral("usr/share/applications/" BRISK_APP_ID ".desktop");
const QString Metainfo = QStringLiteral("usr/share/metainfo/" BRISK_APP_ID ".metainfo.xml");
const bool AsRoot = ::geteuid() == 0;

// The exit code (-1: none) and the output of a tool.
std::pair<int, QString> run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(300'000) && process.exitStatus() == QProcess::NormalExit;
    return {finished ? process.exitCode() : -1, QString::fromLocal8Bit(process.readAll())};
}

// Files and folders below `folder`, relative to it.
QStringList contentsOf(const QString &folder)
{
    QStringList names;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        names << QDir(folder).relativeFilePath(it.next());
    names.sort();
    return names;
}

// BootPrg's rows as the running window has stored them; -1 while there is no database.
int bootRows(const QString &database)
{
    int rows = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("peek"));
        db.setDatabaseName(database);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        QSqlQuery count(db);
        if (QFileInfo::exists(database) && db.open() && count.exec(QStringLiteral("SELECT COUNT(*) FROM BootPrg")) &&
            count.next())
            rows = count.value(0).toInt();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("peek"));
    return rows;
}

} // namespace

class tst_Package : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void packageHoldsTheFolderTheLinksAndTheDesktopFiles();
    void validatorsPass_data();
    void validatorsPass();
    void windowRunsFromReadOnlyFolderAsUser();
    void cleanupTestCase() { run("chmod", {"-R", "u+w", root()}); } // so that it can be removed

private:
    QString root(const QString &relative = QString()) const { return QDir(m_root.path()).filePath(relative); }

    QTemporaryDir m_packages;
    QTemporaryDir m_root;
    QString m_deb;
};

void tst_Package::initTestCase()
{
    const auto [built, log] =
        run("cpack", {"-G", "DEB", "--config", BRISK_BINARY_DIR "/CPackConfig.cmake", "-B", m_packages.path()});
    QVERIFY2(built == 0, qPrintable(log));
    const QString architecture = run("dpkg", {"--print-architecture"}).second.trimmed();
    m_deb = QDir(m_packages.path()).filePath(QStringLiteral(BRISK_PACKAGE_FILE "_%1.deb").arg(architecture));
    QCOMPARE(run("dpkg-deb", {"-x", m_deb, root()}).first, 0);
    QVERIFY(QFile::setPermissions(root(), QFile::permissions(root()) | QFile::ReadOther | QFile::ExeOther));
}

void tst_Package::packageHoldsTheFolderTheLinksAndTheDesktopFiles()
{
    QCOMPARE(contentsOf(root(ProgramFolder)),
             (QStringList{"BriskHx7730", "HELP", "HELP/help_e.htm", "HELP/help_j.htm", "brisk"}));
    QCOMPARE(QFileInfo(root("usr/bin/brisk")).symLinkTarget(), "/" + ProgramFolder + "/brisk");
    QCOMPARE(QFileInfo(root("usr/bin/brisk-hx7730")).symLinkTarget(), "/" + ProgramFolder + "/BriskHx7730");
    for (const QString &file : {DesktopEntry, Metainfo, QString("usr/share/icons/hicolor/64x64/apps/brisk-hx7730.png"),
                                QString("usr/share/icons/hicolor/scalable/apps/brisk-hx7730.svg")})
        QVERIFY2(QFileInfo(root(file)).isFile(), qPrintable(file));

    const QString fields = run("dpkg-deb", {"-f", m_deb, "Depends", "Recommends"}).second;
    // Qt's SQLite driver is a plugin that no binary links; the rest comes from the binaries.
    for (const char *needed : {"Depends: libqt6sql6-sqlite", "libqt6widgets6", "libqt6serialport6", "libsqlite3-0",
                               "Recommends: fonts-ipafont-gothic, qt6-translations-l10n"})
        QVERIFY2(fields.contains(QLatin1String(needed)), qPrintable(fields));
}

void tst_Package::validatorsPass_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments"); // "@" stands for the unpacked root, "deb" for the package
    QTest::newRow("desktop entry") << "desktop-file-validate" << QStringList{"@" + DesktopEntry};
    QTest::newRow("AppStream") << "appstreamcli" << QStringList{"validate", "--no-net", "@" + Metainfo};
    QTest::newRow("lintian") << "lintian" << QStringList{"--fail-on", "error", "deb"};
}

void tst_Package::validatorsPass()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    for (QString &argument : arguments)
        argument = argument == "deb" ? m_deb : argument.startsWith('@') ? root(argument.mid(1)) : argument;
    const auto [exitCode, output] = run(program, arguments);
    QVERIFY2(exitCode == 0, qPrintable(output));
}

void tst_Package::windowRunsFromReadOnlyFolderAsUser()
{
    QTemporaryDir home;
    const QString runtime = home.filePath("runtime");
    const QByteArray loader = SRecordFiles::imageAsS2(SRecordFiles::randomBytes(2048, 7));
    QVERIFY(QDir().mkpath(runtime) && QDir().mkpath(home.filePath("data/BriskHx7730")));
    QVERIFY(SRecordFiles::writeFile(home.filePath("data/BriskHx7730/7730F.REL"), loader));
    QVERIFY(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    if (AsRoot)
        QCOMPARE(run("chown", {"-R", "nobody:nogroup", home.path()}).first, 0);
    const QString program = root(ProgramFolder);
    QCOMPARE(run("chmod", {"-R", "a-w", program}).first, 0);
    const QStringList installed = contentsOf(program);

    QProcess window;
    QProcessEnvironment env;
    env.insert("PATH", qEnvironmentVariable("PATH"));
    env.insert("HOME", home.path());
    env.insert("XDG_RUNTIME_DIR", runtime);
    env.insert("XDG_DATA_HOME", home.filePath("data"));
    env.insert("XDG_CONFIG_HOME", home.filePath("config"));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("LC_ALL", "C.UTF-8");
    window.setProcessEnvironment(env);
    window.setProcessChannelMode(QProcess::ForwardedChannels);
    const QString executable = program + "/BriskHx7730";
    if (AsRoot)
        window.start("setpriv", {"--reuid=nobody", "--regid=nogroup", "--clear-groups", executable});
    else
        window.start(executable, {});
    QVERIFY(window.waitForStarted());

    // Up once the boot loader from the data folder is in its working database.
    const QString database = runtime + "/BriskHx7730.mdb";
    QTRY_COMPARE_WITH_TIMEOUT(bootRows(database), int(loader.count('\n')), 60'000);
    QVERIFY(QFileInfo::exists(database + ".lock"));
    QCOMPARE(contentsOf(program), installed);

    window.terminate(); // the window closes as by its close button
    QVERIFY(window.waitForFinished(60'000));
    QCOMPARE(window.exitStatus(), QProcess::NormalExit);
    QCOMPARE(window.exitCode(), 0);
    QCOMPARE(contentsOf(runtime), QStringList());
}

QTEST_GUILESS_MAIN(tst_Package)
#include "tst_package.moc"
