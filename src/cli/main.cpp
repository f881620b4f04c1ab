#include "cli/Commands.h"
#include "cli/Console.h"
#include "log/EscapedText.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

namespace {

struct Command
{
    const char *name;
    int (*run)(const QStringList &);
    const char *summary;
};

constexpr Command Commands[] = {
    {"check", runCheck, "check FILE [--boot]               validate an S-record file"},
    {"flash", runFlash, "flash user FILE | adjust --type TYPE     write firmware into a radio"},
    {"type", runType, "type                              show the radio's market type"},
    {"read", runRead, "read FILE.csv                     read menus and memory channels into a file"},
    {"write", runWrite, "write FILE.csv [--verify] [--full] write a settings file into a radio"},
    {"diff", runDiff, "diff A.csv B.csv                  list the entries in which two settings files differ"},
    {"log", runLog, "log [--last N] [--json]           print the service records"},
    {"sim", runSim, "sim [--link PATH] [--mode firmware|normal] ...   run the simulated radio"},
    {"ports", runPorts, "ports [--set COM1|COM2 DEVICE]    list serial ports; map COM1 or COM2 to a device"},
};

int usage(FILE *out)
{
    std::fprintf(out, "Usage: brisk COMMAND [options]\n\nService tool for the HX-7730 radio.\n\nCommands:\n");
    for (const Command &c : Commands)
        std::fprintf(out, "  %s\n", c.summary);
    std::fprintf(out, "\nCommon options: --port COM1|COM2|DEVICE (radio commands), -q/--quiet, --help, --version\n"
                      "Run 'brisk COMMAND --help' for a command's options.\n\n"
                      "Every command ends with \"Success\", \"Failure: reason\" or \"Stopped\". Exit codes: 0 done,\n"
                      "1 failed, 2 usage (a message, then the usage, on stderr), 129, 130 or 143 stopped by\n"
                      "SIGHUP, Ctrl-C or SIGTERM (128 + the signal).\n");
    return out == stdout ? ExitDone : ExitUsage;
}

// Qt holds arguments as UTF-8 text: an argument that is not UTF-8 would reach the file
// system as other bytes than those given. The first such argument, escaped; "" when none is.
QString argumentNotKept(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i)
        if (QFile::encodeName(QFile::decodeName(argv[i])) != QByteArrayView(argv[i]))
            return escapedBytes(argv[i]);
    return QString();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    Console::matchOutputEncoding();
    QCoreApplication::setApplicationName(QStringLiteral("brisk"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BRISK_VERSION));
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2) {
        std::fprintf(stderr, "brisk: give a command\n\n");
        return usage(stderr);
    }
    const QString name = arguments.at(1);
    if (name == QLatin1String("--help") || name == QLatin1String("-h") || name == QLatin1String("help"))
        return usage(stdout);
    if (name == QLatin1String("--version")) {
        std::printf("brisk %s\n", BRISK_VERSION);
        return ExitDone;
    }
    if (const QString notKept = argumentNotKept(argc, argv); !notKept.isEmpty()) {
        std::fprintf(stderr,
                     "brisk %s: the argument \"%s\" is not valid UTF-8: Brisk keeps a file name as the bytes given "
                     "and cannot keep this one; rename the file (or its folder)\n",
                     qPrintable(name), qPrintable(notKept));
        return ExitUsage;
    }
    for (const Command &c : Commands)
        if (name == QLatin1String(c.name))
            return c.run(arguments);
    std::fprintf(stderr, "brisk: unknown command '%s'\n\n", qPrintable(name));
    return usage(stderr);
}
