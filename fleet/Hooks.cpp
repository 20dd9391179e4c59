#include "fleet/Hooks.h"

#include "fleet/DescriptorLimit.h"

#include <QProcess>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <csignal>
#include <unistd.h>
#endif

namespace fleet {

HookRunner::HookRunner(QString command, std::chrono::milliseconds limit,
                       std::chrono::milliseconds allLimit, QObject* parent)
    : QObject(parent), m_command(std::move(command)), m_limit(limit), m_allLimit(allLimit)
{}

QString HookRunner::allLimitText() const
{
    return QStringLiteral("the run's hooks did not end within %1 s together")
        .arg(std::chrono::duration<double>(m_allLimit).count());
}

void HookRunner::stopAll()
{
    // Those not started are not started; those running go with everything they started.
    m_stopped = true;
    while (!m_waiting.empty()) {
        const SiteEvent event = m_waiting.front();
        m_waiting.pop_front();
        Q_EMIT failed({event, QStringLiteral("not run: ") + allLimitText()});
    }
    for (QProcess* p : findChildren<QProcess*>()) {
#ifdef Q_OS_UNIX
        if (p->processId() > 0) {
            ::kill(-pid_t(p->processId()), SIGKILL);
        }
#endif
        p->kill();
    }
    if (idle()) {
        Q_EMIT allDone();
    }
}

void HookRunner::run(const SiteEvent& event)
{
    if (m_stopped) {
        Q_EMIT failed({event, QStringLiteral("not run: ") + allLimitText()});
        return;
    }
    if (m_allTimer == nullptr) {
        m_allTimer = new QTimer(this);
        m_allTimer->setSingleShot(true);
        connect(m_allTimer, &QTimer::timeout, this, &HookRunner::stopAll);
        m_allTimer->start(m_allLimit);
    }
    m_waiting.push_back(event);
    startNext();
}

void HookRunner::startNext()
{
    while (m_running < kHooksAtOnce && !m_waiting.empty()) {
        const SiteEvent event = m_waiting.front();
        m_waiting.pop_front();
        ++m_running;
        auto* p = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ORVEXDAB_SITE"), event.site);
        env.insert(QStringLiteral("ORVEXDAB_EVENT"), eventName(event.kind));
        env.insert(QStringLiteral("ORVEXDAB_VERSION"),
                   event.version > 0 ? QString::number(event.version) : QString());
        env.insert(QStringLiteral("ORVEXDAB_DIFFERENCES"), event.kind == EventKind::Changed ||
                                                                   event.kind == EventKind::Drift ||
                                                                   event.kind == EventKind::Deployed
                                                               ? QString::number(event.differences)
                                                               : QString());
        // Only a deploy's events carry its run; elsewhere the variable is removed, so a hook
        // of a program started from a deploy's own hook does not pass it on.
        if (event.deploy > 0) {
            env.insert(QStringLiteral("ORVEXDAB_DEPLOY"), QString::number(event.deploy));
        } else {
            env.remove(QStringLiteral("ORVEXDAB_DEPLOY"));
        }
        p->setProcessEnvironment(env);
        p->setStandardInputFile(QProcess::nullDevice());
        // Into a pipe this program drains, never its own standard error: a child the hook
        // leaves running (`sleep 60 &`) would hold that open, and whoever reads the program's
        // output would wait for it. Draining stops when the hook ends.
        p->setProcessChannelMode(QProcess::MergedChannels);
        connect(p, &QProcess::readyReadStandardOutput, this,
                [this, p] { Q_EMIT output(p->readAllStandardOutput()); });
#ifdef Q_OS_UNIX
        p->setChildProcessModifier([] {
            // A group of its own, so a hook that hangs goes with everything it started.
            ::setsid();
            // The limit the program was started with, not the one raised for its lines.
            restoreDescriptorLimitInChild();
        });
#endif
        auto* limit = new QTimer(p);
        limit->setSingleShot(true);
        auto done = std::make_shared<bool>(false);
        const auto end = [this, p, event, done](const QString& failure) {
            if (*done) {
                return;
            }
            *done = true;
            p->deleteLater();
            ended(event, failure);
        };
        connect(limit, &QTimer::timeout, p, [p, end, this] {
#ifdef Q_OS_UNIX
            if (p->processId() > 0) {
                ::kill(-pid_t(p->processId()), SIGKILL);
            }
#endif
            p->kill();
            end(QStringLiteral("did not end within %1 s")
                    .arg(std::chrono::duration<double>(m_limit).count()));
        });
        connect(p, &QProcess::finished, p, [this, p, end](int code, QProcess::ExitStatus status) {
            if (const QByteArray rest = p->readAllStandardOutput(); !rest.isEmpty()) {
                Q_EMIT output(rest);
            }
            if (status != QProcess::NormalExit) {
                end(QStringLiteral("ended by a signal"));
            } else if (code != 0) {
                end(QStringLiteral("exited with status %1").arg(code));
            } else {
                end({});
            }
        });
        connect(p, &QProcess::errorOccurred, p, [p, end](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart) {
                end(QStringLiteral("could not start: %1").arg(p->errorString()));
            }
        });
        limit->start(m_limit);
        p->start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), m_command});
    }
}

void HookRunner::ended(const SiteEvent& event, const QString& failure)
{
    --m_running;
    if (m_stopped) {
        Q_EMIT failed({event, QStringLiteral("stopped: ") + allLimitText()});
    } else if (!failure.isEmpty()) {
        Q_EMIT failed({event, failure});
    }
    startNext();
    if (idle()) {
        if (m_allTimer != nullptr) {
            m_allTimer->stop();
        }
        Q_EMIT allDone();
    }
}

} // namespace fleet
