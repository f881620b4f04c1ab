#pragma once

#include "SimRadio.h"

#include <QHash>

namespace sim {

// A radio that answers text commands from a table: each command up to and
// including its ";" gets the answer set for it, or "?;" when there is none.
class ScriptedPersonality : public Personality
{
public:
    // `delay`: how long after the command the answer starts (a radio still busy with it).
    void answer(const QByteArray &command, const QByteArray &reply,
                std::chrono::milliseconds delay = std::chrono::milliseconds(0))
    {
        m_answers.insert(command, {reply, delay});
    }
    void receive(char byte, std::vector<Reply> &replies) override;
    QList<QByteArray> commands() const { return m_commands; }

private:
    QHash<QByteArray, Reply> m_answers;
    QByteArray m_pending;
    QList<QByteArray> m_commands;
};

} // namespace sim
