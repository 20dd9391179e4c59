#pragma once

// orvexdab-cli as a script runs it, against simulated processors on pseudo-terminals: the
// program copied into a temporary folder, which is then its data folder, each simulator linked
// there as ports/COM<n>.
#include "Ser2net.h"
#include "model/ParameterSet.h"
#include "sim/Simulator.h"
#include "storage/ParameterFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <array>
#include <map>
#include <memory>

namespace clirig {

using namespace std::chrono_literals;

inline constexpr auto kRunLimit = 30s;
inline constexpr auto kLogWait = 5s;

// A parameter file as the panel writes it: one printed number a line, CR LF.
inline QByteArray dabFile(const std::array<int, storage::kParameterFileLines>& lines)
{
    QByteArray bytes;
    for (const int v : lines) {
        bytes += ' ' + QByteArray::number(v) + " \r\n";
    }
    return bytes;
}

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
    QStringList lines() const { return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
};

class Rig
{
public:
    Rig()
    {
        program = dir.filePath(QStringLiteral("orvexdab-cli"));
        ready = QFile::copy(qEnvironmentVariable("ORVEX_BIN_DIR") + QStringLiteral("/orvexdab-cli"),
                            program);
        if (!ready) {
            error = QStringLiteral("orvexdab-cli could not be copied (ORVEX_BIN_DIR)");
        }
    }

    // A simulated processor as port n, answering in its preset's layout or the one given.
    sim::Simulator& addSimulator(int n, std::optional<lnk::Layout> replyLayout = std::nullopt)
    {
        sim::Options o;
        o.linkPath = dir.filePath(QStringLiteral("ports/COM%1").arg(n));
        o.settings.replyLayout = replyLayout;
        auto& s = simulators[n];
        s = std::make_unique<sim::Simulator>(o);
        ready = s->start(&error) && ready;
        return *s;
    }

    // ser2net in front of the simulator of port n; its address, or empty (error says why).
    QString serve(int n, lnk::NetworkScheme scheme)
    {
        server = std::make_unique<Ser2net>(simulators.at(n)->devicePath());
        if (!server->start(&error)) {
            ready = false;
            return {};
        }
        return server->address(scheme).text();
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    bool write(const QString& name, const QByteArray& bytes) const
    {
        QFile f(path(name));
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    QByteArray read(const QString& name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
    }

    // The tool, or another program (a shell around it).
    Run run(const QStringList& arguments, const QString& other = {}) const
    {
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(other.isEmpty() ? program : other, arguments);
        Run r;
        if (!p.waitForFinished(int(std::chrono::milliseconds(kRunLimit).count()))) {
            p.kill();
            p.waitForFinished();
            r.err = QStringLiteral("did not end in time");
            return r;
        }
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err += QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    // The processor of port n holds a parameter file's values, day and night.
    bool hold(int n, const QByteArray& file)
    {
        if (!write(QStringLiteral("held.DAB"), file)) {
            return false;
        }
        model::ParameterSet set;
        if (storage::readParameterFile(path(QStringLiteral("held.DAB")), set)) {
            return false;
        }
        sim::State s = simulators.at(n)->state();
        s.current = s.night = sim::valuesOf(set);
        simulators.at(n)->setState(s);
        return true;
    }

    QTemporaryDir dir;
    QString program;
    std::map<int, std::unique_ptr<sim::Simulator>> simulators;
    std::unique_ptr<Ser2net> server;
    bool ready = false;
    QString error;
};

} // namespace clirig
