#pragma once

#include "SimRadio.h"

#include <QByteArray>
#include <QCommandLineOption>
#include <QList>
#include <QMap>

class QCommandLineParser;

namespace sim {

// The radio in its normal mode: the text commands AI, TY, MF, EX (read and set),
// MR and MW over a memory model of both menu banks and the 600 channel entries.
// Anything else is answered "?;".
class NormalRadio : public Personality
{
public:
    // `contents` picks one of several made-up sets of settings, so that two radios
    // can differ; 0 is the default.
    explicit NormalRadio(int contents = 0);
    void receive(char byte, std::vector<Reply> &replies) override;

    // The options of `brisk sim` for this mode, and applying them.
    static QList<QCommandLineOption> options();
    bool applyOptions(const QCommandLineParser &parser, QString *reason);

    // The TY answer's P1 and P2 ("800" answers "TY800;"); empty: TY goes unanswered.
    void setTypeFields(const QByteArray &p1p2) { m_typeFields = p1p2; }
    // Sets the entries that a settings file names; the others keep their contents.
    bool loadSettings(const QString &path, QString *reason);

    // Faults of the radio's answers, counted from 1:
    void setDuplicateEchoAt(int mrAnswer) { m_duplicateEchoAt = mrAnswer; } // echoes the previous channel
    void setJoinAt(int answer) { m_joinAt = answer; }                       // goes out twice, run together

    // Menu settings by bank letter + menu number, sub-number and the two fields
    // ("A0450131"); memory entries by P1 + channel number ("1123"), holding the
    // answer's characters after the channel number, up to the ";".
    QMap<QByteArray, QByteArray> menus() const { return m_menus; }
    QMap<QByteArray, QByteArray> channels() const { return m_channels; }
    QList<QByteArray> commands() const { return m_commands; }
    QByteArray aiSetting() const { return m_ai; }
    char bank() const { return m_bank; }

private:
    void fill(int contents);
    QByteArray answer(const QByteArray &command);
    QByteArray answerMr(const QByteArray &command);
    QByteArray answerEx(const QByteArray &command);
    QByteArray takeMw(const QByteArray &command);
    QByteArray takeMf(const QByteArray &command);

    QMap<QByteArray, QByteArray> m_menus;
    QMap<QByteArray, QByteArray> m_channels;
    static constexpr qsizetype MaxCommandLength = 64;          // an MW command is at most 53
    static constexpr qsizetype MaxRememberedCommands = 100000; // commands() keeps the latest
    QList<QByteArray> m_commands;
    QByteArray m_pending;
    QByteArray m_typeFields = "800";
    QByteArray m_ai = "0";
    char m_bank = 'A';
    QByteArray m_lastMrKey;
    int m_mrAnswers = 0;
    int m_answers = 0;
    int m_duplicateEchoAt = 0;
    int m_joinAt = 0;
};

} // namespace sim
