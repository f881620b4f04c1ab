#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

// The command line of one `brisk` command: its own options, its help (which
// names `brisk`, not the path it was started by, and lists only those options),
// --port for a command that talks to the radio, -q/--quiet, --help, --version.
class CommandLine
{
public:
    // `syntax` follows "brisk" in the usage line: "write FILE.csv [--verify]".
    CommandLine(const QString &syntax, const QString &description, bool talksToRadio);

    QCommandLineParser parser; // add the command's own options before parse()

    // Parses the whole argument list (the command's name at index 1) and takes
    // between `least` and `most` arguments after the name. False after help,
    // version or a usage error; exitCode() then says how to end.
    bool parse(const QStringList &arguments, int least, int most);
    int exitCode() const { return m_exitCode; }
    // The arguments after the command's name.
    QStringList positional() const { return m_positional; }

    QString settingsText() const { return m_settingsText; } // "COM1: baud=..." for the chosen port
    bool quiet() const { return m_quiet; }

    // Prints "brisk COMMAND: reason" and the help to stderr; returns the usage exit code.
    int usageError(const QString &reason);
    QString helpText() const;

private:
    bool choosePort(QString &reason);

    QString m_syntax;
    QString m_description;
    bool m_talksToRadio;
    int m_exitCode = 0;
    QStringList m_positional;
    QString m_settingsText;
    bool m_quiet = false;
};

// What --port accepts, as usage errors and help list it.
inline constexpr auto PortChoices = "COM1, COM2 or a device path (/dev/ttyUSB0, ./radio)";

// "Usage: brisk SYNTAX [options]", the description, and the parser's options.
QString commandHelp(const QCommandLineParser &parser, const QString &syntax, const QString &description);
