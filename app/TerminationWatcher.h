#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP (session logout, Ctrl+C, a package upgrade) into an orderly
// close of the panel, so the working file and the settings are written as on File > Exit.
class TerminationWatcher : public QObject
{
    Q_OBJECT

public:
    explicit TerminationWatcher(QObject* parent = nullptr);
    ~TerminationWatcher() override;

    bool requested() const { return m_requested; }

Q_SIGNALS:
    void terminationRequested();

private:
    void onSignal();

    QSocketNotifier* m_notifier = nullptr;
    bool m_requested = false;
};
