#pragma once

#include "link/clsBriskHx7730.h"
#include "sim/NormalRadio.h"

#include <QList>

// A simulated radio in normal mode on a pty, reachable as COM1.
class SimulatedRadio
{
public:
    explicit SimulatedRadio(int contents = 0, sim::SimOptions options = {})
        : m_line(std::make_unique<sim::NormalRadio>(contents), options)
    {
    }

    bool start()
    {
        if (!m_line.start())
            return false;
        useAsCom1();
        return true;
    }
    void useAsCom1() { clsBriskHx7730::setPortOverride(QStringLiteral("COM1"), m_line.devicePath()); }

    // Runs `fn` on the radio's model while the radio is held still.
    template <typename Fn> auto model(Fn fn)
    {
        m_line.waitUntilIdle();
        using Result = decltype(fn(std::declval<sim::NormalRadio &>()));
        if constexpr (std::is_void_v<Result>) {
            m_line.withPersonality([&](sim::Personality &p) { fn(static_cast<sim::NormalRadio &>(p)); });
        } else {
            Result result{};
            m_line.withPersonality([&](sim::Personality &p) { result = fn(static_cast<sim::NormalRadio &>(p)); });
            return result;
        }
    }
    QList<QByteArray> commands()
    {
        return model([](sim::NormalRadio &r) { return r.commands(); });
    }
    // True when nobody holds the port: a fresh open succeeds.
    bool portIsFree()
    {
        clsBriskHx7730 probe;
        return probe.CommOpen(QStringLiteral("COM1: baud=9600 parity=n data=8 stop=1"));
    }

    sim::SimRadio &line() { return m_line; }

private:
    sim::SimRadio m_line;
};
