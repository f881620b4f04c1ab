#include "ScriptedPersonality.h"

namespace sim {

void ScriptedPersonality::receive(char byte, std::vector<Reply> &replies)
{
    m_pending.append(byte);
    if (byte != ';')
        return;
    m_commands.append(m_pending);
    const auto it = m_answers.constFind(m_pending);
    const Reply reply = it != m_answers.constEnd() ? *it : Reply{QByteArrayLiteral("?;")};
    m_pending.clear();
    if (!reply.bytes.isEmpty())
        replies.push_back(reply);
}

} // namespace sim
