#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// The simulated HX-7730: a radio model behind a pseudo-terminal, served on a
// thread of its own so that the program's blocking operations can talk to it
// from the test's thread exactly as they would talk to a radio.
namespace sim {

using Clock = std::chrono::steady_clock;

// What the radio sends back, after `delay`.
struct Reply
{
    QByteArray bytes;
    std::chrono::milliseconds delay{0};
};

// The radio's behaviour: given each byte as it arrives over the line, what it answers.
class Personality
{
public:
    virtual ~Personality() = default;
    virtual void receive(char byte, std::vector<Reply> &replies) = 0;
    // Called once when the radio is stopped (brisk sim saves its image here).
    virtual bool finish(QString *reason)
    {
        Q_UNUSED(reason);
        return true;
    }
    // How long the line may carry nothing either way, in the middle of an exchange or
    // after it, before lineQuiet() is called (once for each quiet spell); zero: never.
    virtual std::chrono::milliseconds quietLimit() const { return {}; }
    virtual void lineQuiet() {}
};

// Faults of the line and the radio that do not depend on the radio's mode.
// Replies are counted from 1 in the order the radio makes them.
struct LineFaults
{
    int silenceFrom = 0;                    // from this reply on, the radio sends nothing
    int strayByteAt = 0;                    // a stray byte goes out just before this reply
    int splitAt = 0;                        // this reply goes out in two pieces, apart in time
    int closeAt = 0;                        // the line goes away instead of this reply (pty closed)
    int doubleAt = 0;                       // this reply goes out twice, run together
    int floodAt = 0;                        // FloodBytes of junk without a terminator go out instead of this reply
    std::chrono::milliseconds slow{0};      // every reply is held back this long
    std::chrono::milliseconds splitGap{30}; // time between the pieces of a split reply
    std::chrono::milliseconds strayGap{0};  // time between the stray byte and the reply after it
};

inline constexpr char StrayByte = '\x7E';
inline constexpr qsizetype FloodBytes = 8 * 1024; // more than any answer, less than a pty holds

struct SimOptions
{
    int baud = 0; // 0: no line rate; otherwise both directions paced at 10 bits a byte
    LineFaults faults;
    // How much of its traffic the radio keeps (received(), sent()): the latest bytes,
    // so that a radio serving for days does not grow with every read. A whole
    // firmware write (about 270 KB to the radio) fits.
    qsizetype historyBytes = 1024 * 1024;
};

class SimRadio
{
public:
    explicit SimRadio(std::unique_ptr<Personality> personality, SimOptions options = {});
    ~SimRadio();
    SimRadio(const SimRadio &) = delete;
    SimRadio &operator=(const SimRadio &) = delete;

    // Opens the pseudo-terminal and starts serving. False with a reason on failure.
    bool start(QString *reason = nullptr);
    void stop();

    QString devicePath() const { return m_slavePath; }
    // Makes `path` a symbolic link to the device; refused when anything is at
    // `path` already. stop() removes the link, and only while it is still ours.
    bool linkTo(const QString &path, QString *reason = nullptr);

    // Blocks until the radio has taken in every byte sent to it so far and has
    // nothing left to send, or the timeout passes.
    bool waitUntilIdle(std::chrono::milliseconds timeout = std::chrono::milliseconds(10000));
    // Blocks until the line has been quiet for the personality's quiet limit since the
    // last byte either way, or the timeout passes.
    bool waitUntilQuiet(std::chrono::milliseconds timeout = std::chrono::milliseconds(10000));

    QByteArray received() const; // the latest bytes that reached the radio, in order (up to historyBytes)
    QByteArray sent() const;     // the latest bytes the radio sent (up to historyBytes)
    int replyCount() const;      // replies made by the personality (faulted ones included)
    // The latest bytes that reached the radio after it fell silent or the line went away.
    QByteArray receivedAfterFault() const;
    bool lineClosed() const;

    // Runs `fn` on the personality while the radio is held still.
    void withPersonality(const std::function<void(Personality &)> &fn);

private:
    struct Outgoing
    {
        Clock::time_point due;
        QByteArray bytes;
    };

    void serve();
    bool lineSetAsTheRadios() const;
    void takeInput(Clock::time_point now);
    void processInput(Clock::time_point now);
    void queueReply(const Reply &reply, Clock::time_point arrived);
    void sendDue(Clock::time_point now);
    Clock::duration charTime() const;
    std::optional<Clock::duration> sleepTime(Clock::time_point now) const;
    void answerIdleRequest();
    std::optional<Clock::time_point> quietDeadline() const;
    void noticeQuiet(Clock::time_point now);
    void closeLine();
    void wake();
    bool linkIsOurs() const;
    void keep(QByteArray &record, QByteArrayView bytes) const;
    QByteArray latest(const QByteArray &record) const;

    std::unique_ptr<Personality> m_personality;
    SimOptions m_options;
    int m_master = -1;
    int m_slave = -1;
    int m_wakePipe[2] = {-1, -1};
    QString m_slavePath;
    QString m_linkPath;
    std::thread m_thread;

    mutable std::mutex m_mutex;
    std::condition_variable m_idleChanged;
    bool m_running = false;
    bool m_lineClosed = false;
    bool m_faulted = false;
    bool m_outputBlocked = false;                           // the pty is full: wait for room instead of retrying
    std::deque<std::pair<Clock::time_point, char>> m_input; // arrival time, byte
    Clock::time_point m_rxFree{};
    Clock::time_point m_txFree{};
    Clock::time_point m_lastTraffic{};
    bool m_quiet = true; // nothing has crossed the line since the last quiet spell began
    std::deque<Outgoing> m_output;
    QByteArray m_received;
    QByteArray m_sent;
    QByteArray m_receivedAfterFault;
    int m_replies = 0;
    unsigned m_idleRequest = 0;
    unsigned m_idleAnswer = 0;
};

} // namespace sim
