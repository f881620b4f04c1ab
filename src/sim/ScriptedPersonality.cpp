#include "ScriptedPersonality.h"

namespace sim {

void ScriptedPersonality::receive(char byte, std::vector<Reply> &replies)
{
    m_pending.append(byte);
    if (byte != ';')
        return;
    m_commands.append(m_pending);
    const auto it = m_answers.constFind(m_pending);
    const QByteArray reply = it != m_answers.constEnd() ? *it : QByteArrayLiteral("?;");
    m_pending.clear();
    if (!reply.isEmpty())
        replies.push_back({reply});
}

} // namespace sim
