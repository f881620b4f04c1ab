#include "CliServices.h"

#include "Commands.h"
#include "store/WorkDatabase.h"

#include <QDateTime>
#include <cstdio>

namespace {
constexpr qint64 RedrawIntervalMs = 200;
constexpr double MinSecondsForRate = 0.5;
} // namespace

TerminalProgress::TerminalProgress(bool quiet) : m_quiet(quiet), m_terminal(Console::stderrIsTerminal())
{
}

void TerminalProgress::setVisible(bool visible)
{
    if (visible && !m_visible)
        m_clock.start();
    if (!visible && m_visible)
        finish();
    m_visible = visible;
}

void TerminalProgress::setValue(int v)
{
    if (!m_clock.isValid())
        m_clock.start();
    m_value = v;
    draw(false);
}

void TerminalProgress::finish()
{
    if (m_quiet || !m_clock.isValid())
        return;
    // A plain log has already said 100 % when the last step got there.
    if (m_terminal || m_lastPlainPercent != 100)
        draw(true);
    if (m_terminal)
        std::fputc('\n', stderr);
    m_lastDraw = -1;
    m_lastPlainPercent = -1;
}

void TerminalProgress::complete()
{
    if (!m_visible)
        return;
    m_value = m_max;
    setVisible(false);
}

void TerminalProgress::draw(bool force)
{
    if (m_quiet || !m_visible)
        return;
    const qint64 elapsed = m_clock.elapsed();
    const int span = std::max(1, m_max - m_min);
    const double fraction = std::clamp(double(m_value - m_min) / span, 0.0, 1.0);
    const int percent = int(fraction * 100);
    if (m_terminal) {
        if (!force && m_lastDraw >= 0 && elapsed - m_lastDraw < RedrawIntervalMs)
            return;
    } else if (!force && percent / 25 == m_lastPlainPercent / 25) {
        return;
    }
    m_lastDraw = elapsed;
    m_lastPlainPercent = percent;
    const double seconds = elapsed / 1000.0;
    const double done = (m_value - m_min) * m_perStep;
    // Rate and time left mean nothing until some time has passed.
    const bool measured = seconds >= MinSecondsForRate;
    QStringList parts;
    if (!m_unit.isEmpty()) {
        QString amount = QStringLiteral("%1 %2").arg(qint64(done)).arg(m_unit);
        if (measured)
            amount += QStringLiteral(", %1 %2/s").arg(done / seconds, 0, 'f', 0).arg(m_unit);
        parts << amount;
    }
    if (measured && fraction > 0.0 && fraction < 1.0) {
        const int left = int(seconds * (1.0 - fraction) / fraction);
        parts << QStringLiteral("%1:%2 left").arg(left / 60).arg(left % 60, 2, 10, QLatin1Char('0'));
    }
    QString text = QStringLiteral("%1 %2%").arg(m_label).arg(percent, 3);
    if (m_terminal) {
        constexpr int Width = 30;
        const int filled = int(fraction * Width);
        text += QStringLiteral(" [") + QString(filled, QLatin1Char('#')) + QString(Width - filled, QLatin1Char('.')) +
                QLatin1Char(']');
    }
    if (!parts.isEmpty())
        text += QLatin1Char(' ') + parts.join(QStringLiteral(", "));
    if (m_terminal)
        std::fprintf(stderr, "\r%s\x1b[K", qPrintable(text));
    else
        std::fprintf(stderr, "%s\n", qPrintable(text));
    std::fflush(stderr);
}

CliServices::CliServices(const QString &settingsText, bool quiet) : progress(quiet), m_settings(settingsText)
{
    m_connection = QStringLiteral("brisk-cli");
    const QString path = m_dir.filePath(QStringLiteral("brisk.mdb"));
    if (!m_dir.isValid())
        m_problem = QStringLiteral("cannot make a temporary folder for the working database");
    else if (WorkDatabase::create(path, &m_problem))
        WorkDatabase::open(path, m_connection, &m_problem);
}

CliServices::~CliServices()
{
    WorkDatabase::close(m_connection);
}

int CliServices::finish(bool ok, const QString &reason)
{
    progress.setVisible(false);
    for (const QString &note : notes())
        std::printf("Note: %s\n", qPrintable(note));
    QString why = reason.isEmpty() ? failureReason() : reason;
    const QString recorded = ok ? QString() : why;
    int code = ExitDone;
    if (ok) {
        std::printf("Success\n");
    } else if (stopped()) {
        if (why.startsWith(QLatin1String("stopped ")))
            why.remove(0, 8); // "Stopped: at the operator's request after ..."
        std::printf("Stopped%s\n", qPrintable(why.isEmpty() ? QString() : QStringLiteral(": ") + why));
        code = ExitStopped + StopSignals::received();
    } else {
        std::printf("Failure: %s\n", qPrintable(why.isEmpty() ? QStringLiteral("no reason was given") : why));
        code = ExitFailed;
    }
    std::fflush(stdout);
    if (m_record)
        finishRecord(ok          ? ServiceRecord::Result::Success
                     : stopped() ? ServiceRecord::Result::Stopped
                                 : ServiceRecord::Result::Failure,
                     recorded);
    return code;
}

ServiceRecord &CliServices::startRecord(const char *action)
{
    return m_record.emplace(ServiceRecord::Program::CommandLine, action, m_settings);
}

void CliServices::finishRecord(ServiceRecord::Result result, const QString &reason)
{
    // A settings write asks the radio its type before the first command.
    if (!m_record->hasRadioType() && !radioTypeSeen().isEmpty())
        m_record->setRadioType(radioTypeSeen(), ServiceRecord::TypeSource::Radio);
    QString problem;
    if (!m_record->finish(result, reason, &problem))
        std::fprintf(stderr, "brisk: the service record was not written: %s\n", qPrintable(problem));
    m_record.reset();
}

bool CliServices::isValid(QString *reason) const
{
    if (reason)
        *reason = m_problem;
    return m_problem.isEmpty();
}

QSqlDatabase CliServices::WorkConnection()
{
    return QSqlDatabase::database(m_connection, false);
}
