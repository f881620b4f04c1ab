#include "SimRadio.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

constexpr int BitsPerByte = 10; // start bit, 8 data bits, stop bit

QString errnoText(const char *what)
{
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(what), QString::fromLocal8Bit(strerror(errno)));
}

} // namespace

SimRadio::SimRadio(std::unique_ptr<Personality> personality, SimOptions options)
    : m_personality(std::move(personality)), m_options(options)
{
}

SimRadio::~SimRadio()
{
    stop();
}

bool SimRadio::start(QString *reason)
{
    auto fail = [&](const QString &text) {
        if (reason)
            *reason = text;
        stop();
        return false;
    };
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0)
        return fail(errnoText("posix_openpt"));
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        return fail(errnoText("unlockpt"));
    m_slavePath = QString::fromLocal8Bit(::ptsname(m_master));
    // Holding the slave open keeps the pty alive between the program's opens, and
    // raw mode from the start keeps the line discipline from echoing or translating.
    m_slave = ::open(::ptsname(m_master), O_RDWR | O_NOCTTY);
    if (m_slave < 0)
        return fail(errnoText("open pty"));
    // The line starts as the radio's (9600 8N1), so a program that restores the
    // settings it found when it closes the port leaves it so too.
    termios raw{};
    ::tcgetattr(m_slave, &raw);
    ::cfmakeraw(&raw);
    ::cfsetispeed(&raw, B9600);
    ::cfsetospeed(&raw, B9600);
    raw.c_cflag &= ~(CSTOPB | CRTSCTS);
    ::tcsetattr(m_slave, TCSANOW, &raw);
    if (::pipe2(m_wakePipe, O_NONBLOCK | O_CLOEXEC) != 0)
        return fail(errnoText("pipe"));
    {
        std::lock_guard lock(m_mutex);
        m_running = true;
    }
    m_thread = std::thread([this] { serve(); });
    return true;
}

void SimRadio::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_running = false;
    }
    wake();
    if (m_thread.joinable())
        m_thread.join();
    closeLine();
    for (int &fd : m_wakePipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    if (!m_linkPath.isEmpty()) {
        if (linkIsOurs())
            QFile::remove(m_linkPath);
        m_linkPath.clear();
    }
}

bool SimRadio::linkTo(const QString &path, QString *reason)
{
    // Whatever is there is someone else's: a user's file or link, or the link of
    // another simulated radio that is still serving on it.
    const QFileInfo existing(path);
    if (existing.exists() || existing.isSymLink()) {
        if (reason)
            *reason = QStringLiteral("%1 exists; give a path where nothing is (a link left behind by a "
                                     "simulated radio that was killed must be removed by hand)")
                          .arg(path);
        return false;
    }
    // symlink() itself refuses a path taken in the meantime.
    QFile device(m_slavePath);
    if (!device.link(path)) {
        if (reason)
            *reason = QStringLiteral("cannot link %1 to %2: %3").arg(path, m_slavePath, device.errorString());
        return false;
    }
    m_linkPath = path;
    return true;
}

// The pty stays ours while the radio serves, so no one else's link leads to it.
bool SimRadio::linkIsOurs() const
{
    const QFileInfo link(m_linkPath);
    return link.isSymLink() && link.symLinkTarget() == m_slavePath;
}

void SimRadio::keep(QByteArray &record, QByteArrayView bytes) const
{
    record.append(bytes);
    // Trimmed in steps of historyBytes, so that appending stays cheap.
    if (record.size() > 2 * m_options.historyBytes)
        record.remove(0, record.size() - m_options.historyBytes);
}

QByteArray SimRadio::latest(const QByteArray &record) const
{
    return record.right(m_options.historyBytes);
}

void SimRadio::closeLine()
{
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
}

void SimRadio::wake()
{
    if (m_wakePipe[1] >= 0) {
        const char c = 0;
        [[maybe_unused]] auto n = ::write(m_wakePipe[1], &c, 1);
    }
}

bool SimRadio::waitUntilIdle(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    const unsigned request = ++m_idleRequest;
    lock.unlock();
    wake();
    lock.lock();
    return m_idleChanged.wait_for(lock, timeout, [&] { return m_idleAnswer >= request || !m_running; });
}

bool SimRadio::waitUntilQuiet(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    return m_idleChanged.wait_for(lock, timeout, [&] { return m_quiet || !m_running; }) && m_quiet;
}

QByteArray SimRadio::received() const
{
    std::lock_guard lock(m_mutex);
    return latest(m_received);
}

QByteArray SimRadio::sent() const
{
    std::lock_guard lock(m_mutex);
    return latest(m_sent);
}

int SimRadio::replyCount() const
{
    std::lock_guard lock(m_mutex);
    return m_replies;
}

QByteArray SimRadio::receivedAfterFault() const
{
    std::lock_guard lock(m_mutex);
    return latest(m_receivedAfterFault);
}

bool SimRadio::lineClosed() const
{
    std::lock_guard lock(m_mutex);
    return m_lineClosed;
}

void SimRadio::withPersonality(const std::function<void(Personality &)> &fn)
{
    std::lock_guard lock(m_mutex);
    fn(*m_personality);
}

Clock::duration SimRadio::charTime() const
{
    if (m_options.baud <= 0)
        return Clock::duration::zero();
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(double(BitsPerByte) / m_options.baud));
}

// How long the serving thread may sleep: until the next byte is due at the radio or
// the next reply has crossed the line; forever (nullopt) when nothing is pending.
std::optional<Clock::duration> SimRadio::sleepTime(Clock::time_point now) const
{
    Clock::time_point next = Clock::time_point::max();
    if (!m_input.empty())
        next = std::max(m_input.front().first, m_rxFree) + charTime();
    if (!m_output.empty() && !m_outputBlocked) {
        const Outgoing &out = m_output.front();
        next = std::min<Clock::time_point>(next, std::max(out.due, m_txFree) + charTime() * out.bytes.size());
    }
    if (const auto quiet = quietDeadline())
        next = std::min(next, *quiet);
    if (next == Clock::time_point::max())
        return std::nullopt;
    return std::max(next - now, Clock::duration::zero());
}

void SimRadio::serve()
{
    std::unique_lock lock(m_mutex);
    while (m_running) {
        takeInput(Clock::now());
        processInput(Clock::now());
        sendDue(Clock::now());
        noticeQuiet(Clock::now());
        answerIdleRequest();
        const auto sleep = sleepTime(Clock::now());
        // A full pty (the program is not reading) is waited out, not retried in a loop.
        const short masterEvents = short(POLLIN | (m_outputBlocked ? POLLOUT : 0));
        pollfd fds[2] = {{m_wakePipe[0], POLLIN, 0}, {m_master, masterEvents, 0}};
        lock.unlock();
        // ppoll: line timing at 9600 baud needs better than poll()'s whole milliseconds.
        timespec timeout{};
        if (sleep) {
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(*sleep).count();
            timeout = {time_t(ns / 1000000000), long(ns % 1000000000)};
        }
        ::ppoll(fds, m_master >= 0 ? 2 : 1, sleep ? &timeout : nullptr, nullptr);
        if (fds[0].revents & POLLIN) {
            char drain[64];
            while (::read(m_wakePipe[0], drain, sizeof drain) > 0) {
            }
        }
        lock.lock();
        if (fds[1].revents & POLLOUT)
            m_outputBlocked = false;
    }
    m_idleChanged.notify_all();
}

void SimRadio::answerIdleRequest()
{
    if (m_idleAnswer >= m_idleRequest || !m_input.empty() || !m_output.empty())
        return;
    pollfd probe{m_master, POLLIN, 0};
    if (m_master >= 0 && ::poll(&probe, 1, 0) > 0 && (probe.revents & POLLIN))
        return; // bytes from the program still wait in the pty
    m_idleAnswer = m_idleRequest;
    m_idleChanged.notify_all();
}

// When a quiet spell would begin if nothing more crosses the line; nullopt while
// something is on its way, or when the spell has begun already.
std::optional<Clock::time_point> SimRadio::quietDeadline() const
{
    const auto limit = m_personality->quietLimit();
    if (m_quiet || limit <= std::chrono::milliseconds::zero() || !m_input.empty() || !m_output.empty())
        return std::nullopt;
    return m_lastTraffic + limit;
}

void SimRadio::noticeQuiet(Clock::time_point now)
{
    const auto deadline = quietDeadline();
    if (!deadline || now < *deadline)
        return;
    m_quiet = true;
    m_personality->lineQuiet();
    m_idleChanged.notify_all();
}

// The radio's line runs at 9600 baud, 8 data bits, no parity, one stop bit and no
// flow control; a program that set its end of the pty otherwise would reach a real
// radio as noise, so the simulated one hears nothing of it either.
bool SimRadio::lineSetAsTheRadios() const
{
    termios line{};
    if (::tcgetattr(m_slave, &line) != 0)
        return true; // the line is going away; that shows elsewhere
    const speed_t in = ::cfgetispeed(&line);
    return ::cfgetospeed(&line) == B9600 && (in == B9600 || in == B0) && (line.c_cflag & CSIZE) == CS8 &&
           !(line.c_cflag & (PARENB | CSTOPB | CRTSCTS)) && !(line.c_iflag & (IXON | IXOFF));
}

void SimRadio::takeInput(Clock::time_point now)
{
    if (m_master < 0)
        return;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        if (!lineSetAsTheRadios())
            continue;
        for (ssize_t i = 0; i < n; ++i)
            m_input.emplace_back(now, buffer[i]);
    }
}

void SimRadio::processInput(Clock::time_point now)
{
    std::vector<Reply> replies;
    while (!m_input.empty()) {
        // Each byte reaches the radio one character time after the line is free.
        const auto due = std::max(m_input.front().first, m_rxFree) + charTime();
        if (due > now)
            break;
        m_rxFree = m_lastTraffic = due;
        m_quiet = false;
        const char byte = m_input.front().second;
        m_input.pop_front();
        keep(m_received, QByteArrayView(&byte, 1));
        if (m_faulted)
            keep(m_receivedAfterFault, QByteArrayView(&byte, 1));
        replies.clear();
        m_personality->receive(byte, replies);
        // Replies are timed from the moment the byte reached the radio, not from when
        // this thread got round to it, so wake-up latency does not add up.
        for (const Reply &reply : replies)
            queueReply(reply, due);
    }
}

void SimRadio::queueReply(const Reply &reply, Clock::time_point arrived)
{
    const int number = ++m_replies;
    const LineFaults &faults = m_options.faults;
    if (faults.closeAt == number) {
        m_faulted = true;
        m_lineClosed = true;
        m_output.clear();
        closeLine();
        return;
    }
    if (faults.silenceFrom > 0 && number >= faults.silenceFrom) {
        m_faulted = true;
        return;
    }
    auto due = arrived + reply.delay + faults.slow;
    if (faults.floodAt == number) {
        m_output.push_back({due, QByteArray(FloodBytes, StrayByte)});
        return;
    }
    if (faults.strayByteAt == number) {
        m_output.push_back({due, QByteArray(1, StrayByte)});
        due += faults.strayGap;
    }
    if (faults.splitAt == number && reply.bytes.size() > 1) {
        const auto half = reply.bytes.size() / 2;
        m_output.push_back({due, reply.bytes.left(half)});
        m_output.push_back({due + faults.splitGap, reply.bytes.mid(half)});
        return;
    }
    // Two answers run together: the reply goes out twice, back to back, in one write.
    m_output.push_back({due, faults.doubleAt == number ? reply.bytes + reply.bytes : reply.bytes});
}

void SimRadio::sendDue(Clock::time_point now)
{
    while (!m_output.empty() && m_master >= 0) {
        Outgoing &next = m_output.front();
        // A reply leaves the radio whole once its last byte has crossed the line.
        const auto start = std::max(next.due, m_txFree);
        const auto done = start + charTime() * next.bytes.size();
        if (done > now)
            break;
        const ssize_t n = ::write(m_master, next.bytes.constData(), size_t(next.bytes.size()));
        if (n < 0) {
            m_outputBlocked = errno == EAGAIN;
            break;
        }
        m_txFree = m_lastTraffic = done;
        keep(m_sent, QByteArrayView(next.bytes).first(n));
        if (n < next.bytes.size()) {
            next.bytes.remove(0, n);
            break;
        }
        m_output.pop_front();
    }
}

} // namespace sim
