#pragma once

#include "SimRadio.h"

#include <QHash>

namespace sim {

// A radio that answers text commands from a table: each command up to and
// including its ";" gets the answer set for it, or "?;" when there is none.
class ScriptedPersonality : public Personality
{
public:
    void answer(const QByteArray &command, const QByteArray &reply) { m_answers.insert(command, reply); }
    void receive(char byte, std::vector<Reply> &replies) override;
    QList<QByteArray> commands() const { return m_commands; }

private:
    QHash<QByteArray, QByteArray> m_answers;
    QByteArray m_pending;
    QList<QByteArray> m_commands;
};

} // namespace sim
