#include "CommonOptions.h"

#include "Commands.h"
#include "link/clsBriskHx7730.h"
#include "store/Services.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <cstdio>

CommandLine::CommandLine(const QString &syntax, const QString &description, bool talksToRadio)
    : m_syntax(syntax), m_description(description), m_talksToRadio(talksToRadio)
{
    if (talksToRadio)
        parser.addOption({QStringLiteral("port"),
                          QStringLiteral("Serial port: %1 (default COM1).").arg(QLatin1String(PortChoices)),
                          QStringLiteral("port"), QStringLiteral("COM1")});
    parser.addOption({{QStringLiteral("q"), QStringLiteral("quiet")}, QStringLiteral("Print no progress.")});
    parser.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")});
    parser.addOption({QStringLiteral("version"), QStringLiteral("Show the version.")});
}

QString commandHelp(const QCommandLineParser &parser, const QString &syntax, const QString &description)
{
    // Qt's own text starts with the path the program was started by: keep its options only.
    const QString qtText = parser.helpText();
    return QStringLiteral("Usage: brisk %1 [options]\n%2\n\n%3")
        .arg(syntax, description, qtText.mid(qtText.indexOf(QLatin1String("Options:"))));
}

QString CommandLine::helpText() const
{
    return commandHelp(parser, m_syntax, m_description);
}

int CommandLine::usageError(const QString &reason)
{
    const QString command = m_syntax.section(QLatin1Char(' '), 0, 0);
    std::fprintf(stderr, "brisk %s: %s\n\n%s", qPrintable(command), qPrintable(reason), qPrintable(helpText()));
    m_exitCode = ExitUsage;
    return ExitUsage;
}

bool CommandLine::parse(const QStringList &arguments, int least, int most)
{
    if (!parser.parse(arguments.mid(1))) {
        usageError(parser.errorText());
        return false;
    }
    m_exitCode = ExitDone;
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(helpText()), stdout);
        return false;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("brisk %s\n", qPrintable(QCoreApplication::applicationVersion()));
        return false;
    }
    m_positional = parser.positionalArguments();
    if (m_positional.size() > most) {
        usageError(QStringLiteral("unexpected argument \"%1\"").arg(m_positional.at(most)));
        return false;
    }
    if (m_positional.size() < least) {
        usageError(QStringLiteral("missing arguments: brisk %1").arg(m_syntax));
        return false;
    }
    QString reason;
    if (m_talksToRadio && !choosePort(reason)) {
        usageError(reason);
        return false;
    }
    m_quiet = parser.isSet(QStringLiteral("quiet"));
    return true;
}

// COM1 and COM2 go through the port choice; anything else names the device
// itself. A name without a slash is a file in the current folder, never /dev/NAME
// behind the operator's back; COM3 and the like are no port of this program.
bool CommandLine::choosePort(QString &reason)
{
    const QString port = parser.value(QStringLiteral("port"));
    for (const auto *settings : {SettingsCom1, SettingsCom2}) {
        if (port.compare(QLatin1String(settings).left(4), Qt::CaseInsensitive) == 0) {
            m_settingsText = QLatin1String(settings);
            return true;
        }
    }
    const bool comName = QRegularExpression(QStringLiteral("^COM[0-9]+$"), QRegularExpression::CaseInsensitiveOption)
                             .match(port)
                             .hasMatch();
    if (port.isEmpty() || comName) {
        reason = QStringLiteral("--port takes %1, not \"%2\"").arg(QLatin1String(PortChoices), port);
        return false;
    }
    const QString device = QDir::current().absoluteFilePath(port);
    const QString devName = QStringLiteral("/dev/") + port;
    if (!port.contains(QLatin1Char('/')) && !QFileInfo::exists(device) && QFileInfo::exists(devName)) {
        reason = QStringLiteral("--port %1 names %2, which does not exist; for the device give its path: --port %3")
                     .arg(port, device, devName);
        return false;
    }
    m_settingsText = QLatin1String(SettingsCom1);
    clsBriskHx7730::setPortOverride(QStringLiteral("COM1"), device);
    return true;
}
