#include "SRecordFiles.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

namespace SRecordFiles {

namespace {

int addressBytesOf(char type)
{
    switch (type) {
    case '2':
    case '6':
    case '8':
        return 3;
    case '3':
    case '7':
        return 4;
    default:
        return 2;
    }
}

char checksumOf(const QByteArray &bytes)
{
    int sum = 0;
    for (char b : bytes)
        sum += quint8(b);
    return char(0xFF - (sum & 0xFF));
}

} // namespace

QByteArray line(char type, quint32 address, QByteArrayView data)
{
    const int addressBytes = addressBytesOf(type);
    QByteArray bytes;
    bytes.append(char(addressBytes + data.size() + 1));
    for (int i = addressBytes - 1; i >= 0; --i)
        bytes.append(char(address >> (8 * i)));
    bytes.append(data.data(), data.size());
    bytes.append(checksumOf(bytes));
    return QByteArray("S") + type + bytes.toHex().toUpper();
}

QByteArray imageAsS2(QByteArrayView image, int perLine, QByteArrayView lineEnd)
{
    QByteArray text = line('0', 0, "IMG").append(lineEnd);
    for (qsizetype at = 0; at < image.size(); at += perLine) {
        const QByteArrayView data = image.sliced(at, std::min<qsizetype>(perLine, image.size() - at));
        text.append(line('2', quint32(at), data)).append(lineEnd);
    }
    return text.append(line('8', 0, {})).append(lineEnd);
}

QByteArray randomBytes(int size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &b : bytes)
        b = char(random.bounded(256));
    return bytes;
}

bool writeFile(const QString &path, QByteArrayView contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents.data(), contents.size()) == contents.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool runTool(const QString &program, const QStringList &arguments, const QString &folder, QByteArray *output)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    const bool ran =
        process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (output)
        *output = process.readAllStandardOutput();
    return ran;
}

} // namespace SRecordFiles
