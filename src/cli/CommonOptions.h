#pragma once

#include <QCommandLineParser>
#include <QString>

class ServiceRecord;
class WindowServices;

// Options every command shares: --port, --quiet, --help, --version.
struct CommonOptions
{
    QString settingsText; // "COM1: baud=..." for the chosen port
    bool quiet = false;
};

void addCommonOptions(QCommandLineParser &parser, const QString &commandSyntax, const QString &description);

// Parses `arguments` (from the command's name on). Returns false after printing
// usage or help; `exitCode` then says how to end.
bool parseCommand(QCommandLineParser &parser, const QStringList &arguments, CommonOptions &options, int &exitCode);

// Prints "Success", or "Failure" and the reason, and returns the exit code.
int reportResult(bool ok, const QString &reason);

// Appends the operation's service record ("stopped" when the operator asked it to
// stop), then reports as reportResult does. A record that cannot be written is
// said on stderr and changes nothing else.
int reportRecorded(ServiceRecord &record, const WindowServices &services, bool ok, const QString &reason);
