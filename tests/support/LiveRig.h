#pragma once

// A live panel against the simulated processor over a real pseudo-terminal, with a hand on the
// processor's plug: the panel's own serial line can make the device vanish after the k-th byte
// it has written in an exchange.

#include "app/frmMain.h"
#include "link/QtSerialLine.h"
#include "sim/Simulator.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <memory>
#include <thread>

namespace rig {

using namespace std::chrono_literals;

// Generous: a loaded two-core machine may keep the simulator's thread waiting.
inline constexpr auto kLogWait = 10s;
inline constexpr auto kComeBackWait = 10s;

// Port numbers: the program folder links kPort to the simulator; kMissingPort has no link, and
// falls back to /dev/ttyS200, which no test machine has.
inline constexpr int kPort = 200;
inline constexpr int kMissingPort = 201;

// Forwards to the panel's real line. After `vanishAfterWrites` bytes written in one exchange it
// pulls the simulated device, so the rest of the frame meets a device that is gone: neither a
// send nor a one-byte command reads anything, so a fault on the processor's answer never hits
// them.
class VanishingLine : public lnk::SerialLine
{
public:
    VanishingLine(lnk::SerialLine& line, sim::Simulator& simulator)
        : m_line(line), m_simulator(simulator)
    {}

    int vanishAfterWrites = -1; // < 0: never
    bool vanished = false;      // the device was pulled during the last exchange

    void setPort(int portNo) override { m_line.setPort(portNo); }
    void setSettings(const QString& settings) override { m_line.setSettings(settings); }
    bool open() override
    {
        m_written = 0;
        vanished = false;
        return m_line.open();
    }
    bool isOpen() const override { return m_line.isOpen(); }
    bool writeByte(quint8 byte) override
    {
        const bool ok = m_line.writeByte(byte);
        if (++m_written == vanishAfterWrites) {
            vanished = m_simulator.dropLineNow();
        }
        return ok;
    }
    int bytesWaiting() override { return m_line.bytesWaiting(); }
    QByteArray readAllWaiting() override { return m_line.readAllWaiting(); }
    int waitForBytes(int count, std::chrono::milliseconds timeout,
                     const std::function<void()>& idle) override
    {
        return m_line.waitForBytes(count, timeout, idle);
    }
    bool close() override { return m_line.close(); }
    lnk::LineFault fault() const override { return m_line.fault(); }
    QString lastError() const override { return m_line.lastError(); }

private:
    lnk::SerialLine& m_line;
    sim::Simulator& m_simulator;
    int m_written = 0;
};

// One program folder, one simulator, one panel: each test row builds its own.
struct LivePanel
{
    LivePanel()
    {
        sim::Options o;
        o.linkPath = QDir(dir.path()).filePath(QStringLiteral("ports/COM%1").arg(kPort));
        simulator = std::make_unique<sim::Simulator>(o);
        started = simulator->start(&error);
        realLine = std::make_unique<lnk::QtSerialLine>(dir.path());
        line = std::make_unique<VanishingLine>(*realLine, *simulator);
        env = testEnvironment(dir.path(), prompts, *line);
        window = std::make_unique<frmMain>(env);
        window->PortNo = kPort;
    }

    int mark() const { return simulator->log().count(); }
    bool logSays(const QString& fragment, int from) const
    {
        return simulator->log().waitFor(fragment, from, kLogWait);
    }

    // True once the device and the program folder's link to it are there (again).
    bool deviceBack() const
    {
        const auto until = std::chrono::steady_clock::now() + kComeBackWait;
        for (;;) {
            const QString device = simulator->devicePath();
            if (!device.isEmpty() && QFileInfo(simulator->linkPath()).symLinkTarget() == device) {
                return true;
            }
            if (std::chrono::steady_clock::now() >= until) {
                return false;
            }
            std::this_thread::sleep_for(20ms);
        }
    }

    QTemporaryDir dir;
    std::unique_ptr<sim::Simulator> simulator;
    bool started = false;
    QString error;
    ScriptedPrompts prompts;
    std::unique_ptr<lnk::QtSerialLine> realLine;
    std::unique_ptr<VanishingLine> line;
    AppEnvironment env;
    std::unique_ptr<frmMain> window;
};

} // namespace rig
