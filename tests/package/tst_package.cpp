// The Debian package as a technician meets it: built by CPack, unpacked into a root of
// its own, the program folder read-only, and the window started from there by a user
// who owns nothing but a home (root ignores permission bits, so root runs it as nobody).
#include "SRecordFiles.h"

#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <pwd.h>
#include <unistd.h>

namespace {

const QString ProgramFolder = QStringLiteral("opt/brisk-hx7730");
const QString DesktopEntry = QStringLiteral("usr/share/applications/" BRISK_APP_ID ".desktop");
const QString Metainfo = QStringLiteral("usr/share/metainfo/" BRISK_APP_ID ".metainfo.xml");

struct Result
{
    int exitCode;
    QString output;
};

Result run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(300'000);
    return {finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAll())};
}

bool isRoot()
{
    return ::geteuid() == 0;
}

// Files and folders below `folder`, as paths relative to it.
QStringList contentsOf(const QString &folder)
{
    QStringList names;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        names << QDir(folder).relativeFilePath(it.next());
    names.sort();
    return names;
}

void makeReadOnly(const QString &folder)
{
    const auto readOnly = [](const QString &path) {
        QFile::setPermissions(path, QFile::permissions(path) & ~(QFile::WriteOwner | QFile::WriteGroup |
                                                                 QFile::WriteOther | QFile::WriteUser));
    };
    for (const QString &name : contentsOf(folder))
        readOnly(QDir(folder).filePath(name));
    readOnly(folder);
}

// Gives `folder` to the user who runs the window.
bool handOver(const QString &folder)
{
    if (!isRoot())
        return true;
    const passwd *nobody = ::getpwnam("nobody");
    const QStringList names = contentsOf(folder) << QString();
    for (const QString &name : names)
        if (!nobody ||
            ::chown(QFile::encodeName(QDir(folder).filePath(name)).constData(), nobody->pw_uid, nobody->pw_gid) != 0)
            return false;
    return true;
}

// BootPrg's rows as the running window has stored them; -1 while there is no database.
int bootRows(const QString &database)
{
    if (!QFileInfo::exists(database))
        return -1;
    int rows = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("peek"));
        db.setDatabaseName(database);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        QSqlQuery count(db);
        if (db.open() && count.exec(QStringLiteral("SELECT COUNT(*) FROM BootPrg")) && count.next())
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

private:
    QString root(const QString &relative = QString()) const { return QDir(m_root.path()).filePath(relative); }

    QTemporaryDir m_packages;
    QTemporaryDir m_root;
    QString m_deb;
};

void tst_Package::initTestCase()
{
    const Result built =
        run(QStringLiteral("cpack"),
            {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
             QStringLiteral(BRISK_BINARY_DIR "/CPackConfig.cmake"), QStringLiteral("-B"), m_packages.path()});
    QVERIFY2(built.exitCode == 0, qPrintable(built.output));
    const QString architecture = run(QStringLiteral("dpkg"), {QStringLiteral("--print-architecture")}).output.trimmed();
    m_deb = QDir(m_packages.path()).filePath(QStringLiteral(BRISK_PACKAGE_FILE "_%1.deb").arg(architecture));
    QVERIFY2(QFileInfo::exists(m_deb), qPrintable(contentsOf(m_packages.path()).join(' ')));
    QCOMPARE(run(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), m_deb, root()}).exitCode, 0);
    // Readable by everyone, as dpkg would install it.
    QFile::setPermissions(root(), QFile::permissions(root()) | QFile::ReadOther | QFile::ExeOther);
}

void tst_Package::packageHoldsTheFolderTheLinksAndTheDesktopFiles()
{
    const QStringList folder = contentsOf(root(ProgramFolder));
    QCOMPARE(folder, (QStringList{"BriskHx7730", "HELP", "HELP/help_e.htm", "HELP/help_j.htm", "brisk"}));
    QCOMPARE(QFileInfo(root("usr/bin/brisk")).symLinkTarget(), "/" + ProgramFolder + "/brisk");
    QCOMPARE(QFileInfo(root("usr/bin/brisk-hx7730")).symLinkTarget(), "/" + ProgramFolder + "/BriskHx7730");
    for (const QString &file :
         {DesktopEntry, Metainfo, QStringLiteral("usr/share/icons/hicolor/64x64/apps/brisk-hx7730.png"),
          QStringLiteral("usr/share/icons/hicolor/scalable/apps/brisk-hx7730.svg")})
        QVERIFY2(QFileInfo(root(file)).isFile(), qPrintable(file));

    const Result fields = run(QStringLiteral("dpkg-deb"),
                              {QStringLiteral("-f"), m_deb, QStringLiteral("Depends"), QStringLiteral("Recommends")});
    // The SQLite driver is a plugin that no binary links; the rest comes from the binaries.
    for (const char *needed : {"Depends: libqt6sql6-sqlite", "libqt6widgets6", "libqt6serialport6", "libsqlite3-0",
                               "Recommends: fonts-ipafont-gothic, qt6-translations-l10n"})
        QVERIFY2(fields.output.contains(QLatin1String(needed)), qPrintable(fields.output));
}

void tst_Package::validatorsPass_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments"); // "@" stands for the unpacked root
    QTest::newRow("desktop entry") << "desktop-file-validate" << QStringList{"@" + DesktopEntry};
    QTest::newRow("AppStream") << "appstreamcli" << QStringList{"validate", "--no-net", "@" + Metainfo};
    QTest::newRow("lintian") << "lintian" << QStringList{"--fail-on", "error"};
}

void tst_Package::validatorsPass()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    for (QString &argument : arguments)
        if (argument.startsWith('@'))
            argument = root(argument.mid(1));
    if (program == "lintian")
        arguments << m_deb;
    const Result result = run(program, arguments);
    QVERIFY2(result.exitCode == 0, qPrintable(result.output));
    QVERIFY2(!result.output.contains(QRegularExpression("^E: ", QRegularExpression::MultilineOption)),
             qPrintable(result.output));
}

void tst_Package::windowRunsFromReadOnlyFolderAsUser()
{
    QTemporaryDir home;
    const QString runtime = QDir(home.path()).filePath("runtime");
    const QString data = QDir(home.path()).filePath("data");
    const QByteArray loader = SRecordFiles::imageAsS2(SRecordFiles::randomBytes(2048, 7));
    QVERIFY(QDir().mkpath(runtime) && QDir().mkpath(data + "/BriskHx7730"));
    QVERIFY(SRecordFiles::writeFile(data + "/BriskHx7730/7730F.REL", loader));
    QFile::setPermissions(home.path(), QFile::permissions(home.path()) | QFile::ExeOther);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(handOver(home.path()));
    const QString program = root(ProgramFolder);
    makeReadOnly(program);
    const QStringList installed = contentsOf(program);

    QProcess window;
    QProcessEnvironment env;
    for (const auto &[name, value] : {std::pair{"HOME", home.path()},
                                      {"XDG_RUNTIME_DIR", runtime},
                                      {"XDG_DATA_HOME", data},
                                      {"XDG_CONFIG_HOME", home.path() + "/config"},
                                      {"QT_QPA_PLATFORM", QStringLiteral("offscreen")},
                                      {"LC_ALL", QStringLiteral("C.UTF-8")},
                                      {"PATH", qEnvironmentVariable("PATH")}})
        env.insert(name, value);
    window.setProcessEnvironment(env);
    window.setProcessChannelMode(QProcess::ForwardedChannels);
    const QString executable = program + "/BriskHx7730";
    if (isRoot())
        window.start("setpriv", {"--reuid=nobody", "--regid=nogroup", "--clear-groups", executable});
    else
        window.start(executable, {});
    QVERIFY(window.waitForStarted());

    // Up and running once the boot loader from the data folder is in its working database.
    const QString database = runtime + "/BriskHx7730.mdb";
    const int records = loader.count('\n');
    QTRY_COMPARE_WITH_TIMEOUT(bootRows(database), records, 60'000);
    QVERIFY(QFileInfo::exists(database + ".lock"));
    QCOMPARE(contentsOf(program), installed);

    window.terminate(); // closes the window as its close button would
    QVERIFY(window.waitForFinished(60'000));
    QCOMPARE(window.exitStatus(), QProcess::NormalExit);
    QCOMPARE(window.exitCode(), 0);
    QCOMPARE(contentsOf(runtime), QStringList());
}

QTEST_GUILESS_MAIN(tst_Package)
#include "tst_package.moc"
