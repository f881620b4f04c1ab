#include "SRecordFiles.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

#include <numeric>

namespace SRecordFiles {

int addressBytes(char type)
{
    return type == '3' || type == '7' ? 4 : QByteArrayView("268").contains(type) ? 3 : 2;
}

QByteArray line(char type, quint32 address, QByteArrayView data)
{
    QByteArray bytes(1, char(addressBytes(type) + data.size() + 1));
    for (int i = addressBytes(type) - 1; i >= 0; --i)
        bytes += char(address >> (8 * i));
    bytes += data;
    const quint8 sum = std::accumulate(bytes.begin(), bytes.end(), 0, [](int s, char b) { return s + quint8(b); });
    return QByteArray("S") + type + (bytes + char(~sum)).toHex().toUpper();
}

QByteArray imageAsS2(QByteArrayView image)
{
    QByteArray text = line('0', 0, "IMG") + '\n';
    for (qsizetype at = 0; at < image.size(); at += 16)
        text += line('2', quint32(at), image.sliced(at, std::min<qsizetype>(16, image.size() - at))) + '\n';
    return text + line('8', 0, {}) + '\n';
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
