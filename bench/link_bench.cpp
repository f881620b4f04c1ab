// The radio link against the simulated radio at 9600 baud: MR round trips
// against the line's bound, and the CPU a read spends waiting for an answer
// that never comes.
#include "link/LinkTiming.h"
#include "link/clsBriskHx7730.h"
#include "sim/ScriptedPersonality.h"
#include "store/Services.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr int Baud = 9600;
constexpr int BitsPerByte = 10;
constexpr int RoundTrips = 60;
constexpr int QueryLength = 7;   // "MR" P1 P2 P3 ";"
constexpr int AnswerLength = 50; // the longest MR answer

double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

QByteArray queryFor(int n)
{
    return QStringLiteral("MR%1%2;").arg(n / 100).arg(n % 100, 3, 10, QLatin1Char('0')).toLatin1();
}

// The fields of the query come back, then fixed fields and an 8-character name.
QByteArray answerFor(int n)
{
    const QByteArray answer = "MR" + queryFor(n).mid(2, 4) + "00145500000000000000000000000000000" +
                              QStringLiteral("CH%1").arg(n, 6, 10, QLatin1Char('0')).toLatin1() + ";";
    Q_ASSERT(answer.size() == AnswerLength);
    return answer;
}

bool readChannel(clsBriskHx7730 &link, int n)
{
    QString p[16];
    const QByteArray query = queryFor(n);
    p[0] = QString::fromLatin1(query.mid(2, 1));
    p[1] = QString::fromLatin1(query.mid(3, 1));
    p[2] = QString::fromLatin1(query.mid(4, 2));
    return link.MrRead(p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8], p[9], p[10], p[11], p[12], p[13], p[14],
                       p[15]) &&
           p[15].size() == 8;
}

bool roundTrips(clsBriskHx7730 &link)
{
    QElapsedTimer wall;
    const double cpuThread = cpuSeconds(RUSAGE_THREAD);
    const double cpuProcess = cpuSeconds(RUSAGE_SELF);
    wall.start();
    for (int n = 0; n < RoundTrips; ++n)
        if (!readChannel(link, n)) {
            std::printf("MR round trip %d failed: %s\n", n, qPrintable(link.lastError()));
            return false;
        }
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    const double bound = double(RoundTrips) * (QueryLength + AnswerLength) * BitsPerByte / Baud;
    std::printf("MR round trips at %d baud: %d x (%d + %d bytes)\n", Baud, RoundTrips, QueryLength, AnswerLength);
    std::printf("  wall %.3f s, line bound %.3f s, over the bound %+.2f %%\n", seconds, bound,
                (seconds / bound - 1.0) * 100.0);
    std::printf("  CPU: link thread %.1f ms (%.2f %% of wall), whole process with the simulated radio %.1f ms "
                "(%.2f %%)\n",
                (cpuSeconds(RUSAGE_THREAD) - cpuThread) * 1e3, (cpuSeconds(RUSAGE_THREAD) - cpuThread) / seconds * 100,
                (cpuSeconds(RUSAGE_SELF) - cpuProcess) * 1e3, (cpuSeconds(RUSAGE_SELF) - cpuProcess) / seconds * 100);
    return true;
}

bool unansweredRead(clsBriskHx7730 &link)
{
    QElapsedTimer wall;
    const double cpu = cpuSeconds(RUSAGE_THREAD);
    wall.start();
    QString p1 = QStringLiteral("9"), p2 = QStringLiteral("9"), p3 = QStringLiteral("99"), p[13];
    const bool answered =
        link.MrRead(p1, p2, p3, p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8], p[9], p[10], p[11], p[12]);
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    const double used = cpuSeconds(RUSAGE_THREAD) - cpu;
    std::printf("Read without an answer (limit %.0f s): gave up after %.3f s, CPU %.2f ms (%.4f %% of the wait, "
                "target < 5 %%)\n",
                double(linkTiming().replyLimit.count()) / 1000.0, seconds, used * 1e3, used / seconds * 100);
    return !answered;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    auto script = std::make_unique<sim::ScriptedPersonality>();
    for (int n = 0; n < RoundTrips; ++n)
        script->answer(queryFor(n), answerFor(n));
    script->answer("MR9999;", ""); // a channel the radio keeps quiet about
    sim::SimRadio radio(std::move(script), {Baud, {}});
    QString reason;
    if (!radio.start(&reason)) {
        std::printf("cannot start the simulated radio: %s\n", qPrintable(reason));
        return 1;
    }
    clsBriskHx7730::setPortOverride(QStringLiteral("COM1"), radio.devicePath());
    clsBriskHx7730 link;
    if (!link.CommOpen(QString::fromLatin1(SettingsCom1))) {
        std::printf("%s\n", qPrintable(link.lastError()));
        return 1;
    }
    return roundTrips(link) && unansweredRead(link) ? 0 : 1;
}
