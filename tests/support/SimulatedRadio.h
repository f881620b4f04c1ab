#pragma once

#include "link/clsBriskHx7730.h"
#include "sim/FirmwareRadio.h"
#include "sim/NormalRadio.h"
#include "store/Services.h"

#include <functional>
#include <memory>
#include <type_traits>

// A simulated radio on a pty, reachable as COM1 once started. Needs brisk_link and brisk_sim.
template <typename Radio> class RadioOnCom1
{
public:
    explicit RadioOnCom1(std::unique_ptr<Radio> radio, sim::SimOptions options = {}) : m_line(std::move(radio), options)
    {
    }
    ~RadioOnCom1() { clsBriskHx7730::clearPortOverrides(); }

    bool start()
    {
        if (!m_line.start())
            return false;
        clsBriskHx7730::setPortOverride(QStringLiteral("COM1"), m_line.devicePath());
        return true;
    }

    // Runs `fn` (a callable or a member function) on the radio's model while the radio is held still.
    template <typename Fn> auto model(Fn fn)
    {
        m_line.waitUntilIdle();
        using Result = std::invoke_result_t<Fn, Radio &>;
        if constexpr (std::is_void_v<Result>) {
            m_line.withPersonality([&](sim::Personality &p) { std::invoke(fn, static_cast<Radio &>(p)); });
        } else {
            Result result{};
            m_line.withPersonality([&](sim::Personality &p) { result = std::invoke(fn, static_cast<Radio &>(p)); });
            return result;
        }
    }

    // True when nobody holds the port: a fresh open succeeds.
    bool portIsFree()
    {
        clsBriskHx7730 probe;
        return probe.CommOpen(QString::fromLatin1(SettingsCom1));
    }

    sim::SimRadio &line() { return m_line; }

private:
    sim::SimRadio m_line;
};

// A radio in normal mode with contents 0 or 1.
class SimulatedRadio : public RadioOnCom1<sim::NormalRadio>
{
public:
    explicit SimulatedRadio(int contents = 0, sim::SimOptions options = {})
        : RadioOnCom1(std::make_unique<sim::NormalRadio>(contents), options)
    {
    }
    QList<QByteArray> commands() { return model(&sim::NormalRadio::commands); }
    // The type answer's P1 P2; empty leaves the type query unanswered.
    void setType(const QByteArray &fields)
    {
        model([&](sim::NormalRadio &r) { r.setTypeFields(fields); });
    }
};

// A radio in firmware-write mode.
class FirmwareBench : public RadioOnCom1<sim::FirmwareRadio>
{
public:
    explicit FirmwareBench(sim::FirmwareFaults faults = {}, sim::SimOptions options = {})
        : RadioOnCom1(std::make_unique<sim::FirmwareRadio>(faults), options)
    {
    }
};
