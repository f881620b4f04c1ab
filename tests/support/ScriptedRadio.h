#pragma once

#include "link/clsBriskHx7730.h"
#include "sim/ScriptedPersonality.h"
#include "store/Services.h"

#include <QByteArray>
#include <QList>
#include <QPair>

#include <memory>

// A scripted radio on a pty, with COM1 (or `comName`) of every clsBriskHx7730
// mapped to it. Needs brisk_link and brisk_sim.
using ScriptedAnswers = QList<QPair<QByteArray, QByteArray>>;

inline std::unique_ptr<sim::SimRadio> startScriptedRadio(const ScriptedAnswers &answers, sim::SimOptions options = {},
                                                         const QString &comName = QStringLiteral("COM1"))
{
    auto script = std::make_unique<sim::ScriptedPersonality>();
    for (const auto &[command, reply] : answers)
        script->answer(command, reply);
    auto radio = std::make_unique<sim::SimRadio>(std::move(script), options);
    if (!radio->start())
        return nullptr;
    clsBriskHx7730::setPortOverride(comName, radio->devicePath());
    return radio;
}

inline QString com1Settings()
{
    return QString::fromLatin1(SettingsCom1);
}

inline QString com2Settings()
{
    return QString::fromLatin1(SettingsCom2);
}
