#pragma once

#include <QObject>

class QSocketNotifier;

// Turns the system's requests to end the program (SIGTERM, SIGINT and SIGHUP: session logout,
// Ctrl+C, a package upgrade; on Windows the console's control events) into a signal on the
// event loop, so the panel closes in order and writes its files as on File > Exit.
class TerminationWatcher : public QObject
{
    Q_OBJECT

public:
    explicit TerminationWatcher(QObject* parent = nullptr);
    ~TerminationWatcher() override;

Q_SIGNALS:
    void terminationRequested();

private:
    void onSignal();

    QSocketNotifier* m_notifier = nullptr;
};
