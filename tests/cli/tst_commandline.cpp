#include "FirmwareDifferential.h"
#include "SRecordFiles.h"
#include "ServiceRecords.h"
#include "SimulatedRadio.h"

#include <QDir>
#include <QJsonArray>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

using SRecordFiles::randomBytes;
using SRecordFiles::writeFile;

namespace {

constexpr int ImageBytes = 256 * 1024;
constexpr int StopAtByte = 2000;
constexpr int HoleAt = 0x100; // holey.mot lacks the record of these 16 bytes
const QStringList AsNobody{"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
// Runs brisk with its second argument as printf makes it: "caf\351.csv" is a Latin-1 name, not UTF-8.
const QStringList AsBytes{"sh", "-c", "c=$1 n=$(printf \"$2\"); shift 2; exec \"$0\" \"$c\" \"$n\" \"$@\""};
// Settings files of one menu and two channels; b.csv differs in one menu value and one channel name.
constexpr auto SettingsA = "MR,0,0,01,00145000000,0,0,0,00,00,000,0,0,000000000,00,0,ALPHA\r\n"
                           "MR,1,1,23,00430000000,0,0,0,00,00,000,0,0,000000000,00,0,HARBOUR\r\n"
                           "EX,A,001,00,0,0,5\r\nEX,B,045,01,3,1,12\r\n";
const QByteArray Records[] = {
    R"({"action":"settings read","durationSeconds":75.4,"result":"success","start":"2024-05-01T09:00:00.000Z"})",
    R"({"action":"settings write","device":"/dev/ttyUSB0","result":"failure","reason":"no answer"})",
    R"({"action":"USER firmware write","radioType":"K","result":"stopped","start":"2024-05-02T10:00:00.000Z"})"};

// The radio in normal mode, and an operator who stops `brisk` once it has sent some bytes.
class StoppingRadio : public sim::NormalRadio
{
public:
    void receive(char byte, std::vector<sim::Reply> &replies) override
    {
        if (target != 0 && ++bytes == StopAtByte)
            ::kill(target, signal);
        NormalRadio::receive(byte, replies);
    }
    void arm(pid_t pid, int stopSignal) { target = pid, signal = stopSignal, bytes = 0; }
    pid_t target = 0;
    int signal = 0;
    int bytes = 0;
};

} // namespace

// `brisk` as a technician meets it: every command ends with one result line and its
// exit code, refuses what it cannot take as a usage error, shows help of its own,
// and leaves no working database behind, also when it is stopped.
class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { ::unlink((QFile::encodeName(path("caf")) + "\xE9.csv").constData()); } // Qt cannot
    void endsWithItsResult_data();
    void endsWithItsResult();

private:
    struct Run
    {
        int exitCode = -1;
        QString out;
        QString err;
    };
    Run run(const QStringList &arguments, const QStringList &wrapper = {}, int stopSignal = 0);
    QString path(const QString &name) const { return m_dir.filePath(name); }
    bool tool(const QString &program, const QStringList &arguments, QByteArray *output = nullptr)
    {
        return SRecordFiles::runTool(program, arguments, m_dir.path(), output);
    }

    QTemporaryDir m_dir;
    QTemporaryDir m_tmp; // the working databases' folder: empty after every run
    QTemporaryDir m_nobody;
    RadioOnCom1<StoppingRadio> m_radio{std::make_unique<StoppingRadio>()};
    FirmwareBench m_firmware;
    SimulatedRadio m_paced{0, {9600, {}}}; // at the line's real rate
    const QByteArray m_image = randomBytes(ImageBytes, 21);
    const QByteArray m_loader = randomBytes(64, 3);
};

void TestCommandLine::initTestCase()
{
    QVERIFY(m_dir.isValid() && m_tmp.isValid() && m_firmware.line().start() && m_paced.line().start() &&
            m_radio.start());
    // Anyone may keep a working database here, as in /tmp; nobody keeps settings in a folder of its own.
    QVERIFY(QFile::setPermissions(m_tmp.path(), QFile::Permissions(0x7777)));
    QVERIFY(QDir(m_dir.path()).mkpath("ADJ") && QDir(m_dir.path()).mkpath("log/BriskHx7730"));
    QVERIFY(::geteuid() != 0 || tool("chown", {"nobody", m_nobody.path()}));
    QVERIFY(QFile::link(m_radio.line().devicePath(), path("radio")));
    QVERIFY(writeFile(path("7730F.REL"), SRecordFiles::imageAsS2(m_loader)));
    QVERIFY(writeFile(path("user.mot"), SRecordFiles::imageAsS2(m_image)));
    QList<QByteArray> holey = SRecordFiles::imageAsS2(m_image).split('\n');
    holey.removeAt(1 + HoleAt / 16);
    QVERIFY(writeFile(path("holey.mot"), holey.join('\n')));
    for (int line = 12; line > 0; --line) // and twelve more holes of a line each
        holey.removeAt(1 + HoleAt / 16 + 2 * line);
    QVERIFY(writeFile(path("holes.mot"), holey.join('\n')));
    // A data folder that cannot be made: a file stands in its place.
    QVERIFY(QDir(m_dir.path()).mkpath("blocked") && writeFile(path("blocked/BriskHx7730"), ""));
    QVERIFY(writeFile(path("ADJ/FPU_VJ.D3T"), SRecordFiles::imageAsS2(randomBytes(512))));
    QVERIFY(writeFile(path("one.csv"), "EX,A,001,00,0,0,1\r\nEX,A,045,01,0,0,\r\n"));
    QVERIFY(writeFile(path("img.bin"), randomBytes(ImageBytes)) && writeFile(path("small.bin"), randomBytes(4096)));
    tool("srec_cat",
         {"img.bin", "-binary", "-o", "srec_cat.mot", "-address-length=3", "-line-length=46", "-header", "IMG"});
    tool("objcopy", {"-I", "binary", "-O", "srec", "--srec-len=16", "img.bin", "objcopy.mot"});
    tool("objcopy", {"-I", "binary", "-O", "srec", "--srec-len=16", "small.bin", "s1.mot"});
    // One checksum digit flipped on line 100 of a clean file.
    QList<QByteArray> lines = SRecordFiles::imageAsS2(randomBytes(ImageBytes)).split('\n');
    lines[99].back() = lines[99].back() == '0' ? '1' : '0';
    QVERIFY(writeFile(path("flipped.mot"), lines.join('\n')) && writeFile(path("empty.mot"), ""));
    QVERIFY(writeFile(path("nothing.mot"), SRecordFiles::imageAsS2(randomBytes(ImageBytes)) + "S204000100FA\n"));
    QVERIFY(writeFile(path("a.csv"), SettingsA) && writeFile(path("copy.csv"), SettingsA));
    QVERIFY(::symlink("a.csv", (QFile::encodeName(path("caf")) + "\xE9.csv").constData()) == 0); // Latin-1
    QVERIFY(writeFile(path("b.csv"), QByteArray(SettingsA).replace("HARBOUR", "MARINA").replace(",0,5\r", ",0,6\r")));
    QVERIFY(writeFile(path("damaged.csv"), QByteArray(SettingsA).replace(",00145", ",0145")));
    QVERIFY(writeFile(path("log/BriskHx7730/service-log.jsonl"),
                      Records[0] + '\n' + Records[1] + '\n' + Records[2] + '\n'));
    // Logs as nobody should find them: a FIFO, a record with terminal controls, a line of 3 MB, 64 GB (sparse).
    for (const char *log : {"fifo", "controls", "long", "huge"})
        QVERIFY(QDir().mkpath(path(log) + "/BriskHx7730"));
    QVERIFY(::mkfifo(QFile::encodeName(path("fifo/BriskHx7730/service-log.jsonl")).constData(), 0600) == 0);
    QVERIFY(::mkfifo(QFile::encodeName(path("fifo.in")).constData(), 0600) == 0);
    QVERIFY(writeFile(path("sparse.in"), "") && QFile::resize(path("sparse.in"), qint64(8) << 30));
    QVERIFY(writeFile(path("controls/BriskHx7730/service-log.jsonl"),
                      R"({"device":"\u001b[2J/dev/x","result":"failure","reason":"no\u0007 answer\u009b"})"
                      "\n"));
    QVERIFY(writeFile(path("long/BriskHx7730/service-log.jsonl"),
                      R"({"padding":")" + QByteArray(3 << 20, 'x') + "\"}\n" + Records[0] + '\n'));
    QFile huge(path("huge/BriskHx7730/service-log.jsonl"));
    QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(64) << 30) && huge.seek(huge.size()) &&
            huge.write('\n' + Records[1] + '\n' + Records[2] + '\n') > 0);
    huge.close();
    QCOMPARE(run({"read", "whole.csv", "-q", "--port", "radio"}).exitCode, 0);
    // 200 channels: about 9 s of commands at 9600 baud, more than a reply may take.
    const QList<QByteArray> channels = SRecordFiles::readFile(path("whole.csv")).split('\n').mid(0, 200);
    QVERIFY(channels.last().startsWith("MR") && writeFile(path("channels.csv"), channels.join('\n') + '\n'));
}

TestCommandLine::Run TestCommandLine::run(const QStringList &arguments, const QStringList &wrapper, int stopSignal)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TMPDIR", m_tmp.path());
    environment.insert("XDG_CONFIG_HOME", path("config"));
    QProcess brisk;
    brisk.setProcessEnvironment(environment);
    brisk.setWorkingDirectory(m_dir.path());
    const QStringList command = wrapper + QStringList{BRISK_EXECUTABLE} + arguments;
    brisk.start(command.first(), command.mid(1));
    if (stopSignal && brisk.waitForStarted())
        m_radio.model([&](StoppingRadio &radio) { radio.arm(pid_t(brisk.processId()), stopSignal); });
    const bool finished = brisk.waitForFinished(60000) && brisk.exitStatus() == QProcess::NormalExit;
    m_radio.model([](StoppingRadio &radio) { radio.target = 0; });
    if (!finished)
        return {};
    return {brisk.exitCode(), QString::fromLocal8Bit(brisk.readAllStandardOutput()),
            QString::fromLocal8Bit(brisk.readAllStandardError())};
}

void TestCommandLine::endsWithItsResult_data()
{
    QTest::addColumn<QStringList>(
        "arguments"); // <pty>: the radio's pty; <link>: a by-id style link to it; <fw>: a firmware radio's pty
    QTest::addColumn<QStringList>("wrapper"); // a program that runs brisk
    QTest::addColumn<bool>("held");           // another program holds the radio's port
    QTest::addColumn<int>("exitCode");        // 129, 130, 143: the radio stops brisk with SIGHUP, SIGINT, SIGTERM
    QTest::addColumn<QString>("out");         // patterns
    QTest::addColumn<QString>("err");
    const bool nobody = ::geteuid() == 0 && !QStandardPaths::findExecutable("setpriv").isEmpty();
    const QString pty = QStringLiteral("/dev/pts/[0-9]+");
    const auto usage = [](const QStringList &arguments, const QString &says, const QString &syntax = {}) {
        QTest::addRow("usage: %s", qPrintable(arguments.join(' ')))
            << arguments << QStringList() << false << 2 << "^$"
            << "^" + QRegularExpression::escape(says) + "\n\nUsage: brisk " +
                   (syntax.isEmpty() ? arguments.value(0) : syntax) + " ";
    };
    // Help names `brisk`, not the path it runs from, and lists only the command's own options.
    const auto help = [](const QString &command, const QStringList &shown, const QStringList &absent) {
        QString out = "^Usage: brisk " + command + " ";
        for (const QString &text : shown)
            out += "(?=[\\s\\S]*" + QRegularExpression::escape(text).replace("\\ ", "\\s+") + ")";
        for (const QString &text : absent + QStringList{"--help-all", BRISK_EXECUTABLE})
            out += "(?![\\s\\S]*" + QRegularExpression::escape(text) + ")";
        QTest::addRow("help: %s", qPrintable(command))
            << QStringList{command, "--help"} << QStringList() << false << 0 << out << "^$";
    };
    const auto row = [&](const char *name, const QStringList &arguments, int exitCode, const QString &out,
                         const QStringList &wrapper = {}, bool held = false) {
        QTest::newRow(name) << arguments << wrapper << held << exitCode << out
                            << "^([A-Za-z]+ +[0-9]+%[^\n]*\n)*$"; // progress shares its line with nothing else
    };
    // Usage errors store nothing: they run before any port is mapped.
    usage({}, "brisk: give a command", "COMMAND");
    usage({"type", "extra"}, "brisk type: unexpected argument \"extra\"");
    usage({"read"}, "brisk read: missing arguments: brisk read FILE.csv");
    usage({"read", "a.csv", "b.csv"}, "brisk read: unexpected argument \"b.csv\"");
    usage({"check", "a", "--port", "COM1"}, "brisk check: Unknown option 'port'.");
    usage({"flash", "adjust", "x"}, "brisk flash: give 'user FILE' or 'adjust'");
    usage({"flash"}, "brisk flash: missing arguments: brisk flash user FILE | flash adjust --type TYPE");
    // ADJUST data of another market would be taken without a word: no type, no write.
    usage({"flash", "adjust", "--boot", "7730F.REL", "--port", "<fw>"},
          "brisk flash: flash adjust needs --type TYPE, the radio's type: switch the radio on normally and run "
          "'brisk type', then put it into firmware-write mode");
    usage({"flash", "adjust", "--type", "JS"},
          "brisk flash: --type takes a type as 'brisk type' shows it (K, E2, E, M, E4, K2, E5, E3, X, J(S), J(V), K - "
          "EXT, E2 - EXT, E - EXT, M - EXT, E4 - EXT, K2 - EXT, E5 - EXT, E3 - EXT, X - EXT, J(S) - EXT, J(V) - "
          "EXT), not \"JS\"");
    usage({"ports", "x"}, "brisk ports: unexpected argument \"x\"");
    usage({"ports", "--set", "COM3", "<pty>"}, "brisk ports: give --set COM1 DEVICE or --set COM2 DEVICE");
    usage({"log", "--last", "x"}, "brisk log: --last takes a count of records");
    usage({"type", "--port", "COM3"},
          "brisk type: --port takes COM1, COM2 or a device path (/dev/ttyUSB0, ./radio), not \"COM3\"");
    // Never /dev/NAME behind the operator's back.
    usage({"type", "--port", "null"}, "brisk type: --port null names " + path("null") +
                                          ", which does not exist; for the device give its path: --port /dev/null");
    help("check", {"--boot", "--quiet"}, {"--port", "--verify"});
    help("flash", {"--port", "--boot", "--adj-dir", "--no-gaps", "J(S) - EXT write FPU_SJ.D3T"}, {"--verify"});
    help("type", {"--port"}, {"--verify", "--boot"});
    help("read", {"--port"}, {"--verify", "--boot"});
    help("write", {"--port", "--verify", "--full"}, {"--boot"});
    help("ports", {"--set", "--force"}, {"--port", "--verify"});
    help("sim", {"--link", "--save-image", "waits for the synchronisation again"}, {"--port", "--verify"});

    row("type", {"type", "--port", "radio"}, 0, "^Type K\nSuccess\n$");
    row("type, no such device", {"type", "--port", "/dev/none"}, 1,
        "^Failure: there is no device /dev/none: check the cable \\(or the USB serial adapter\\) and the port\n$");
    // A port that another program holds is said once, in the closing line.
    for (const QStringList &command : {QStringList{"type"},
                                       {"read", "x.csv"},
                                       {"write", "one.csv"},
                                       {"flash", "user", "user.mot", "--boot", "7730F.REL"}})
        row(qPrintable(command.first() + ", port held by another program"), command + QStringList{"--port", "<pty>"}, 1,
            "^(Note: .*\n)?Failure: (the menu settings were not written: )?" + pty +
                " is in use by another program: close it, or choose another port\n$",
            {}, true);
    if (nobody)
        row("type, no permission for the device", {"type", "--port", "<pty>"}, 1,
            "^Failure: no permission to open " + pty +
                ": add your user to the group (\\w+) \\(sudo usermod -aG \\1 \\$USER\\), then log in again\n$",
            AsNobody);
    // What a file does not hold the radio keeps: said, and refused by --full.
    const QString holds = "Note: the file holds %1 and %2; the radio keeps its own for the rest\n";
    row("write, an empty value left out", {"write", "one.csv", "--port", "radio"}, 0,
        "^Note: left out 1 menu settings whose value is empty \\(an EX command without a value would read the "
        "setting, not empty it\\): EX,A,045,01,0,0\n" +
            holds.arg("none of the 600 channel entries", "2 of the 200 menu entries") + "Success\n$");
    // The read-back waits for the radio's confirmation, which waits for the commands still on the line.
    row("write --verify at 9600 baud", {"write", "channels.csv", "--verify", "-q", "--port", "<paced>"}, 0,
        "^Type K\n" + holds.arg("200 of the 600 channel entries", "none of the menu entries") + "Success\n$");
    row("write --full, channels only", {"write", "channels.csv", "--full", "--port", "radio"}, 1,
        "^Failure: the file holds 200 of the 600 channel entries and none of the menu entries; --full writes only "
        "a whole file\n$");
    row("write --full, a whole file", {"write", "whole.csv", "--full", "-q", "--port", "radio"}, 0,
        "^(?![\\s\\S]*the file holds)[\\s\\S]*Success\n$");
    row("read, Ctrl-C", {"read", "out.csv", "-q", "--port", "radio"}, 128 + SIGINT,
        "(^|\n)Stopped: at the operator's request [^\n]+\n$");
    row("write, SIGTERM", {"write", "whole.csv", "-q", "--port", "radio"}, 128 + SIGTERM,
        "(^|\n)Stopped: at the operator's request [^\n]+\n$");
    row("read, SIGHUP (the terminal closed)", {"read", "out.csv", "-q", "--port", "radio"}, 128 + SIGHUP,
        "(^|\n)Stopped: at the operator's request [^\n]+\n$");
    row("read, no such device", {"read", "x.csv", "--port", "/dev/none"}, 1, "^Failure: there is no device /dev/none");
    // Inputs are judged before anything reads them: a pipe, a device and a file of 8 GB fail at once.
    const QStringList flash{"flash", "user"}, boot{"--boot", "7730F.REL"};
    for (const auto &[name, arguments] :
         {std::pair{"write, a FIFO", QStringList{"write", "fifo.in"}},
          {"write, /dev/zero", {"write", "/dev/zero"}},
          {"flash, a FIFO", flash + QStringList{"fifo.in"} + boot},
          {"flash, a FIFO as boot loader", flash + QStringList{"user.mot", "--boot", "fifo.in"}},
          {"flash, 8 GB", flash + QStringList{"sparse.in"} + boot}})
        row(name, arguments + QStringList{"--port", "<fw>"}, 1,
            "^Failure: ([^ ]+, )?cannot read [^ ]+: it is (not a regular file|larger than 64 MB)");
    // A name is kept as the bytes given, or refused before anything is done.
    for (const char *command : {"read", "write"})
        QTest::addRow("%s, a name that is not UTF-8", command)
            << QStringList{command, "caf\\351.csv", "--port", "radio"} << AsBytes << false << 2 << "^$"
            << "^brisk " + QString(command) + ": the argument \"caf\\\\xE9.csv\" is not valid UTF-8: ";
    QTest::newRow("read, log unwritable")
        << QStringList{"read", "x.csv", "-q", "--port", "radio"}
        << QStringList{"env", "XDG_DATA_HOME=" + path("blocked")} << false << 0 << "\nSuccess\n$"
        << "^brisk: the service record was not written: ";
    row("flash user", {"flash", "user", "user.mot", "--boot", "7730F.REL", "--port", "<fw>"}, 0, "^Success\n$");
    // A hole in an image is filled with 0xFF as erased flash holds it, and said (the window's note too);
    // --no-gaps refuses it.
    const QString hole =
        "the image has a gap below its last data byte, filled with 0xFF: 0x000100-0x00010F \\(16 bytes\\)";
    row("flash --no-gaps, a line deleted",
        {"flash", "user", "holey.mot", "--boot", "7730F.REL", "--no-gaps", "--port", "<fw>"}, 1,
        "^Failure: holey.mot, " + hole + "; --no-gaps refuses it\n$");
    row("check, a line deleted", {"check", "holey.mot", "-q"}, 0, "\nnote: " + hole + "\ncan be written: yes\n");
    row("check, thirteen lines deleted", {"check", "holes.mot", "-q"}, 0,
        "\nnote: the image has 13 gaps below its last data byte, 208 bytes in all, filled with 0xFF: 0x000100-0x00010F "
        "\\(16 bytes\\), 0x000130-0x00013F \\(16 bytes\\), (0x[^,]+, ){8}and 3 more\ncan be written: yes\n");
    row("flash, damaged image named", {"flash", "user", "flipped.mot", "--boot", "7730F.REL", "--port", "<fw>"}, 1,
        "^Failure: flipped.mot, line 100: checksum ");
    row("flash, boot loader missing", {"flash", "adjust", "--boot", "none.rel", "--type", "K"}, 1,
        "^Failure: the boot loader none.rel is not there \\(looked for " +
            QRegularExpression::escape(path("none.rel")) + "\\); give its place with --boot FILE\n$");
    row("flash, ADJUST file missing", {"flash", "adjust", "--boot", "7730F.REL", "--type", "J(S) - EXT"}, 1,
        "^Failure: the ADJUST file FPU_SJ.D3T is not there \\(looked for .*/ADJ/FPU_SJ.D3T\\); give its place with "
        "--adj-dir DIR\n$");
    row("flash adjust names its file", {"flash", "adjust", "--boot", "7730F.REL", "--adj-dir", "ADJ", "--type", "j(v)"},
        1, "^ADJUST file: " + QRegularExpression::escape(path("ADJ/FPU_VJ.D3T")) + "\nFailure: .*\n$");
    // No type answer: no type shown, nothing more asked, nothing saved.
    row("read, radio silent", {"read", "x.csv", "--port", "<fw>"}, 1,
        "^Failure: the radio did not answer the type query \\(TY;, waited 5 s\\)");

    if (QFile::exists(path("srec_cat.mot")) && QFile::exists(path("s1.mot"))) {
        row("check, srec_cat's file", {"check", "srec_cat.mot", "-q"}, 0,
            "\nlines: 16386\nrecords: S0 1, S2 16384, S5 1\ndata bytes: 262144\naddresses: 000000 to 03FFFF\n"
            "problem: none\n(.*\n)*can be written: yes\n");
        row("check, objcopy's file", {"check", "objcopy.mot", "-q"}, 0, "\nproblem: none\n");
        row("check, 256 KB as boot loader", {"check", "srec_cat.mot", "--boot", "-q"}, 1, "\ncan be sent: no");
        row("check, S1 records as boot loader", {"check", "s1.mot", "--boot", "-q"}, 1,
            "\nproblem: line 2: S1 record refused");
    }
    row("check, checksum digit flipped", {"check", "flipped.mot", "-q"}, 1, "\nproblem: line 100: checksum");
    row("check, data record without data", {"check", "nothing.mot", "-q"}, 0,
        "\nnote: records that carry nothing: 1 \\(");
    row("check, empty file", {"check", "empty.mot", "-q"}, 1, "\nproblem: no data records\n");
    row("check, missing file", {"check", "none.mot"}, 1, "\nproblem: cannot read .*\nFailure: cannot read .*none.mot");
    // The image as sent is what srec_cat makes of the file with every gap and the tail
    // filled with 0xFF; the loader as sent is the file's bytes from its first address.
    FirmwareDifferential differential;
    int rows[2] = {3, 1}; // images, loaders
    for (quint32 seed = 1; rows[0] + rows[1] > 0; ++seed) {
        const SRecordGenerator::File generated = SRecordGenerator::generate(seed);
        const bool boot = generated.target == SRecordGenerator::Target::Loader;
        const QString file = QStringLiteral("seed%1.mot").arg(seed);
        QByteArray sent, sha256, crc32;
        if (!generated.refusals.isEmpty() || rows[boot] == 0 || !writeFile(path(file), generated.text) ||
            !differential.srecCat(generated.text, generated.target, sent) || !writeFile(path("sent.bin"), sent) ||
            !tool("sha256sum", {"sent.bin"}, &sha256) || !tool("crc32", {"sent.bin"}, &crc32))
            continue;
        --rows[boot];
        QTest::addRow("check, fingerprints of seed %u", seed)
            << QStringList{"check", file, "-q"} + (boot ? QStringList{"--boot"} : QStringList{}) << QStringList()
            << false << 0 << QString("\nsha256: " + sha256.left(64) + "\n(.*\n)*crc32: " + crc32.trimmed() + "\n")
            << "^$";
    }
    row("diff, same settings", {"diff", "a.csv", "copy.csv"}, 0, "^Success\n$");
    row("diff, two entries differ", {"diff", "a.csv", "b.csv"}, 1,
        "^menu A 001 00 0 0: a.csv \"5\", b.csv \"6\"\nchannel 1 123: field 16 a.csv \"HARBOUR\", b.csv \"MARINA\"\n"
        "Failure: 2 entries differ\n$");
    row("diff, damaged file", {"diff", "a.csv", "damaged.csv"}, 2, "^Failure: .*damaged.csv, line 1: MR field 4");
    row("diff, missing file", {"diff", "absent.csv", "a.csv"}, 2, "^Failure: .*absent.csv");
    const QStringList log{"env", "XDG_DATA_HOME=" + path("log")};
    row("log, newest last", {"log"}, 0,
        "^.*\n2024-05-01 09:00:00  1:15 .*success\n.*/dev/ttyUSB0.*failure: no answer\n"
        ".*USER firmware write.*stopped\nSuccess\n$",
        log);
    row("log, the last two as they stand", {"log", "--json", "--last", "2"}, 0,
        "^" + QRegularExpression::escape(Records[1] + '\n' + Records[2]) + "\n$", log);
    const auto in = [&](const char *folder) { return QStringList{"env", "XDG_DATA_HOME=" + path(folder)}; };
    row("log, a FIFO in its place", {"log"}, 1, "^Failure: the service log .* is not a regular file\n$", in("fifo"));
    row("log, terminal controls in a record", {"log"}, 0,
        "^(?![\\s\\S]*[\\x01-\\x09\\x1b\\x{9b}])[\\s\\S]*\\\\x1B\\[2J/dev/x[\\s\\S]*failure: no\\\\x07 "
        "answer\\\\x9B\nSuccess\n$",
        in("controls"));
    row("log, a line of 3 MB stays one line", {"log", "--json"}, 0,
        "^\\{\"padding\":\"x{1000}[^\n]+\\}\n" + QRegularExpression::escape(Records[0]) + "\n$", in("long"));
    // Read from its end: the 64 GB before the last two records are not read (nor could be in 5 s).
    row("log, the last two of 64 GB", {"log", "--last", "2", "--json"}, 0,
        "^" + QRegularExpression::escape(Records[1] + '\n' + Records[2]) + "\n$",
        QStringList{"prlimit", "--cpu=5"} + in("huge"));
    // `brisk ports --set` maps COM1 and marks a mapped device that cannot be opened with what stands in the way.
    row("ports, free", {"ports", "--set", "COM1", "<pty>"}, 0, "\n  COM1 -> <pty>\n");
    row("ports, lower case name", {"ports", "--set", "com1", "<pty>"}, 0, "\n  COM1 -> <pty>\n");
    // A device that is not there is stored only on request; a name is stored as the path it stands for.
    row("ports, missing", {"ports", "--set", "COM1", "/dev/ttyUSB-unplugged"}, 1,
        "^Failure: there is no device /dev/ttyUSB-unplugged now; nothing was stored \\(--force stores it "
        "anyway\\)\n$");
    row("ports, missing, forced", {"ports", "--set", "COM1", "/dev/ttyUSB-unplugged", "--force"}, 0,
        "\n  COM1 -> /dev/ttyUSB-unplugged  \\[missing\\]\n");
    row("ports, a name in the current folder", {"ports", "--set", "COM2", "radio"}, 0, "\n  COM2 -> <link>\n");
    row("ports, busy", {"ports", "--set", "COM1", "<pty>"}, 0, "\n  COM1 -> <pty>  \\[busy: ", {}, true);
    row("ports, busy under its link", {"ports", "--set", "COM1", "<link>"}, 0, "\n  COM1 -> <link>  \\[busy: ", {},
        true);
    if (nobody) // root may open anything: the pty (root's, mode 620) is tried as nobody
        row("ports, not permitted", {"ports", "--set", "COM1", "<pty>"}, 0, "\n  COM1 -> <pty>  \\[not permitted: ",
            AsNobody + QStringList{"env", "XDG_CONFIG_HOME=" + m_nobody.path()});
}

void TestCommandLine::endsWithItsResult()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, wrapper);
    QFETCH(bool, held);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    for (const auto &[name, value] : {std::pair{"<pty>", m_radio.line().devicePath()},
                                      {"<link>", path("radio")},
                                      {"<fw>", m_firmware.line().devicePath()},
                                      {"<paced>", m_paced.line().devicePath()}}) {
        arguments.replaceInStrings(name, value);
        out.replace(name, QRegularExpression::escape(value));
    }
    clsBriskHx7730 holder;
    QVERIFY(!held || holder.CommOpen(QString::fromLatin1(SettingsCom1)));
    const auto traffic = [this] {
        qsizetype bytes = 0;
        for (sim::SimRadio *line : {&m_radio.line(), &m_firmware.line(), &m_paced.line()})
            bytes += line->waitUntilIdle() ? line->received().size() + line->sent().size() : 0;
        return bytes;
    };
    const qint64 trafficBefore = traffic();
    qputenv("XDG_DATA_HOME", QFile::encodeName(path("data/") + QTest::currentDataTag()));
    const QDateTime before = QDateTime::currentDateTimeUtc().addMSecs(-1);

    const Run result = run(arguments, wrapper, exitCode > 128 ? exitCode - 128 : 0);
    QVERIFY2(result.out.contains(QRegularExpression(out)), qPrintable(result.out + result.err));
    QVERIFY2(result.err.contains(QRegularExpression(err)), qPrintable(result.err));
    QCOMPARE(result.exitCode, exitCode);
    // One closing line, the only one on stdout when nothing else was asked for.
    const QString closing = exitCode == 0 ? "\nSuccess\n$" : exitCode > 128 ? "\nStopped: .+\n$" : "\nFailure: .+\n$";
    QVERIFY(arguments.contains("--json") || arguments.contains("--help") || (exitCode == 2 && result.out.isEmpty()) ||
            ('\n' + result.out).contains(QRegularExpression(closing)));
    QVERIFY(exitCode != 0 || !result.err.contains('%') || result.err.contains(QRegularExpression(" 100%[^\n]*\n$")));
    QVERIFY2(QDir(m_tmp.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             "a working database was left behind");
    QVERIFY(exitCode != 2 || (!QFile::exists(path("config/BriskHx7730.conf")) && traffic() == trafficBefore));
    QVERIFY(!QFile::exists(path("out.csv")));
    // A read stops at its next poll: no more than one query follows.
    QVERIFY(exitCode != 128 + SIGINT ||
            m_radio.model([](StoppingRadio &radio) { return radio.bytes; }) < StopAtByte + 60);

    // A settings read or write, or a firmware write once its files are found, leaves one
    // service record, which says what the closing line said.
    const QString command = arguments.value(0);
    const bool recorded =
        exitCode != 2 && !wrapper.contains("env") && !arguments.contains("--help") &&
        (command == "read" || command == "write" || (command == "flash" && !result.out.contains("is not there")));
    const QList<QJsonObject> records = serviceRecords();
    QCOMPARE(records.size(), int(recorded));
    if (!recorded)
        return;
    const QJsonObject record = records.first();
    const QString told = result.out.section('\n', -2, -2).section(": ", 1, -1);
    QCOMPARE(record["program"].toString(), "command line");
    QCOMPARE(record["version"].toString(), BRISK_VERSION);
    // The port as given: a device named with --port by its path.
    QCOMPARE(
        QFileInfo(record["port"].toString()).fileName(),
        QFileInfo(arguments.contains("--port") ? arguments.at(arguments.indexOf("--port") + 1) : "COM1").fileName());
    QVERIFY(command != "write" || exitCode != 0 || record.contains("channelEntries"));
    QCOMPARE(record["action"].toString(), command == "read"           ? "settings read"
                                          : command == "write"        ? "settings write"
                                          : arguments.at(1) == "user" ? "USER firmware write"
                                                                      : "ADJUST firmware write");
    QCOMPARE(record["result"].toString(), exitCode == 0 ? "success" : exitCode > 128 ? "stopped" : "failure");
    QCOMPARE(record.contains("reason"), exitCode != 0);
    QCOMPARE(record["reason"].toString(), exitCode > 128 ? "stopped " + told : told);
    const QDateTime start = QDateTime::fromString(record["start"].toString(), Qt::ISODateWithMs);
    QVERIFY(start.timeSpec() == Qt::UTC && start >= before);
    QVERIFY(start.addMSecs(qint64(record["durationSeconds"].toDouble() * 1000)) <= QDateTime::currentDateTimeUtc());
    QStringList roles;
    for (const QJsonValue &value : record["files"].toArray()) {
        const QJsonObject file = value.toObject();
        const QByteArray bytes =
            file.contains("error") ? QByteArray() : SRecordFiles::readFile(file["path"].toString());
        roles << file["role"].toString();
        QVERIFY(QFileInfo(file["path"].toString()).isAbsolute());
        QVERIFY(file.contains("error") ||
                (file["size"].toInteger() == bytes.size() && file["sha256"] == sha256Of(bytes)));
    }
    // A firmware file is not read after a boot loader that cannot be.
    const bool bootUnread = arguments.indexOf("fifo.in") == arguments.indexOf("--boot") + 1;
    const QStringList listed = command == "flash" ? QStringList{"boot loader"} + QStringList{"firmware"}.mid(bootUnread)
                               : command == "write" || exitCode == 0 ? QStringList{"settings"}
                                                                     : QStringList();
    QCOMPARE(roles, listed);
    // The type and where it came from: the radio's own answer, or for ADJUST the operator's --type.
    const QString type = record["radioType"].toString() + ' ' + record["radioTypeSource"].toString();
    if (command == "flash")
        QCOMPARE(type, arguments.at(1) == "user"
                           ? " "
                           : arguments.at(arguments.indexOf("--type") + 1).toUpper() + " operator");
    else
        QVERIFY(exitCode == 1 || type == "K radio");
    QVERIFY(command != "flash" || exitCode != 0 ||
            (record["imageSha256"] == sha256Of(m_image) && record["loaderSha256"] == sha256Of(m_loader)));
    // Every byte sent and read; a write does not read the answers to its commands, a stopped or failed run
    // may leave replies unread.
    const qint64 wire = record["wireBytes"].toInteger();
    QVERIFY(exitCode == 0 && command == "read" ? wire == traffic() - trafficBefore : wire <= traffic() - trafficBefore);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
