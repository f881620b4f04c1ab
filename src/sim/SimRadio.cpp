#include "SimRadio.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
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
    termios raw{};
    ::tcgetattr(m_slave, &raw);
    ::cfmakeraw(&raw);
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
        QFile::remove(m_linkPath);
        m_linkPath.clear();
    }
}

bool SimRadio::linkTo(const QString &path, QString *reason)
{
    QFile::remove(path);
    if (!QFile::link(m_slavePath, path)) {
        if (reason)
            *reason = QStringLiteral("cannot link %1 to %2").arg(path, m_slavePath);
        return false;
    }
    m_linkPath = path;
    return true;
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

QByteArray SimRadio::received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

QByteArray SimRadio::sent() const
{
    std::lock_guard lock(m_mutex);
    return m_sent;
}

int SimRadio::replyCount() const
{
    std::lock_guard lock(m_mutex);
    return m_replies;
}

QByteArray SimRadio::receivedAfterFault() const
{
    std::lock_guard lock(m_mutex);
    return m_receivedAfterFault;
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

std::chrono::microseconds SimRadio::pollTimeout(Clock::time_point now) const
{
    Clock::time_point next = Clock::time_point::max();
    if (!m_input.empty())
        next = std::max(m_input.front().first, m_rxFree) + charTime();
    if (!m_output.empty()) {
        const Outgoing &out = m_output.front();
        next = std::min<Clock::time_point>(next, std::max(out.due, m_txFree) + charTime() * out.bytes.size());
    }
    if (next == Clock::time_point::max())
        return std::chrono::microseconds(-1);
    if (next <= now)
        return std::chrono::microseconds(0);
    // A whole-millisecond timeout would add up to a character time to every reply at 9600 baud.
    return std::chrono::ceil<std::chrono::microseconds>(next - now);
}

void SimRadio::serve()
{
    std::unique_lock lock(m_mutex);
    while (m_running) {
        const auto now = Clock::now();
        takeInput(now);
        processInput(Clock::now());
        sendDue(Clock::now());
        if (m_idleAnswer < m_idleRequest && m_input.empty() && m_output.empty()) {
            pollfd probe{m_master, POLLIN, 0};
            if (m_master < 0 || ::poll(&probe, 1, 0) <= 0 || !(probe.revents & POLLIN)) {
                m_idleAnswer = m_idleRequest;
                m_idleChanged.notify_all();
            }
        }
        const auto timeout = pollTimeout(Clock::now());
        pollfd fds[2] = {{m_wakePipe[0], POLLIN, 0}, {m_master, POLLIN, 0}};
        lock.unlock();
        const timespec wait{time_t(timeout.count() / 1000000), long(timeout.count() % 1000000) * 1000};
        ::ppoll(fds, m_master >= 0 ? 2 : 1, timeout.count() < 0 ? nullptr : &wait, nullptr);
        if (fds[0].revents & POLLIN) {
            char drain[64];
            while (::read(m_wakePipe[0], drain, sizeof drain) > 0) {
            }
        }
        lock.lock();
    }
    m_idleChanged.notify_all();
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
        m_rxFree = due;
        const char byte = m_input.front().second;
        m_input.pop_front();
        m_received.append(byte);
        if (m_faulted)
            m_receivedAfterFault.append(byte);
        replies.clear();
        m_personality->receive(byte, replies);
        for (const Reply &reply : replies)
            queueReply(reply, due); // the radio answers when the last byte has arrived, not when we looked
    }
}

void SimRadio::queueReply(const Reply &reply, Clock::time_point now)
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
    const auto due = now + reply.delay + faults.slow;
    if (faults.strayByteAt == number)
        m_output.push_back({due, QByteArray(1, StrayByte)});
    if (faults.splitAt == number && reply.bytes.size() > 1) {
        const auto half = reply.bytes.size() / 2;
        m_output.push_back({due, reply.bytes.left(half)});
        m_output.push_back({due + SplitGap, reply.bytes.mid(half)});
        return;
    }
    m_output.push_back({due, reply.bytes});
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
        if (n < 0)
            break; // the program is not reading; try again on the next wake-up
        m_txFree = done;
        m_sent.append(next.bytes.left(n));
        if (n < next.bytes.size()) {
            next.bytes.remove(0, n);
            break;
        }
        m_output.pop_front();
    }
}

} // namespace sim
