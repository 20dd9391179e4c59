#pragma once

// A live panel against the simulated processor over a real pseudo-terminal, with a hand on the
// processor's plug: the panel's own serial line can make the device vanish after the k-th byte
// it has written in an exchange.

#include "app/frmMain.h"
#include "link/PortLines.h"
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

// Forwards to the panel's real lines. After `vanishAfterWrites` bytes written in one exchange it
// pulls the simulated device, so the rest of the frame meets a device that is gone: neither a
// send nor a one-byte command reads anything, so a fault on the processor's answer never hits
// them.
class VanishingLine : public lnk::Line, public lnk::LineProvider
{
public:
    VanishingLine(lnk::LineProvider& lines, sim::Simulator& simulator)
        : m_lines(lines), m_simulator(simulator)
    {}

    int vanishAfterWrites = -1; // < 0: never
    bool vanished = false;      // the device was pulled during the last exchange

    lnk::Line& lineFor(const lnk::PortRef& port) override
    {
        lnk::Line& inner = m_lines.lineFor(port);
        if (&inner != m_inner) {
            if (m_inner != nullptr) {
                m_inner->disconnect(this);
            }
            m_inner = &inner;
            connect(m_inner, &Line::opened, this, &Line::opened);
            connect(m_inner, &Line::openFailed, this, &Line::openFailed);
            connect(m_inner, &Line::bytesWritten, this, &Line::bytesWritten);
            connect(m_inner, &Line::received, this, &Line::received);
            connect(m_inner, &Line::failed, this, &Line::failed);
            connect(m_inner, &Line::closed, this, &Line::closed);
        }
        return *this;
    }

    QString target() const override { return m_inner->target(); }
    void open(const lnk::LineSettings& settings) override
    {
        m_written = 0;
        vanished = false;
        m_inner->open(settings);
    }
    bool isOpen() const override { return m_inner->isOpen(); }
    void write(const QByteArray& bytes) override
    {
        m_inner->write(bytes);
        m_written += static_cast<int>(bytes.size());
        if (m_written == vanishAfterWrites) {
            vanished = m_simulator.dropLineNow();
        }
    }
    qint64 bytesAvailable() const override { return m_inner->bytesAvailable(); }
    QByteArray readAll() override { return m_inner->readAll(); }
    void close() override { m_inner->close(); }
    void abort() override { m_inner->abort(); }

private:
    lnk::LineProvider& m_lines;
    sim::Simulator& m_simulator;
    lnk::Line* m_inner = nullptr;
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
        realLines = std::make_unique<lnk::PortLines>(dir.path());
        line = std::make_unique<VanishingLine>(*realLines, *simulator);
        env = testEnvironment(dir.path(), prompts, *line);
        window = std::make_unique<frmMain>(env);
        window->PortNo = kPort;
        QObject::connect(&window->session(), &session::PanelSession::exchangeFinished,
                         [this](const lnk::ExchangeResult& r) { lastResult = r; });
    }

    int mark() const { return simulator->log().count(); }
    // Lets the exchanges asked for run to their end.
    [[nodiscard]] bool settle() { return waitIdle(window->session()); }
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
    std::unique_ptr<lnk::PortLines> realLines;
    std::unique_ptr<VanishingLine> line;
    AppEnvironment env;
    std::unique_ptr<frmMain> window;
    lnk::ExchangeResult lastResult; // of the last exchange that ended
};

} // namespace rig
